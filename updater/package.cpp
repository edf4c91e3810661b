#include "updater/package.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <QFile>
#include <QProcess>

namespace talvec::package {

namespace {

EVP_PKEY* Key(void* key) { return static_cast<EVP_PKEY*>(key); }

}  // namespace

QByteArrayView Payload(QByteArrayView package) {
  const qsizetype tail = kMarkerBytes + kSignatureBytes;
  if (package.size() < tail) return package;
  const QByteArrayView marker = package.sliced(package.size() - tail, kMarkerBytes);
  if (marker != QByteArrayView(kSignatureMarker, kMarkerBytes)) return package;
  return package.first(package.size() - tail);
}

Result<qsizetype> VerifyPackage(QByteArrayView package, QByteArrayView public_key) {
  const QByteArrayView payload = Payload(package);
  if (payload.size() == package.size()) {
    return Fail(Error::Kind::kBadData, QStringLiteral("升级包没有签名"));
  }
  if (payload.isEmpty()) {
    return Fail(Error::Kind::kBadData, QStringLiteral("升级包是空的"));
  }
  if (public_key.size() != kPublicKeyBytes) {
    return Fail(Error::Kind::kBadData, QStringLiteral("程序没有有效的公钥"));
  }
  EVP_PKEY* key = EVP_PKEY_new_raw_public_key(
      EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(public_key.data()),
      static_cast<size_t>(public_key.size()));
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  const QByteArrayView signature = package.last(kSignatureBytes);
  const bool good = key && ctx && EVP_DigestVerifyInit(ctx, nullptr, nullptr, nullptr, key) == 1 &&
                    EVP_DigestVerify(ctx, reinterpret_cast<const unsigned char*>(signature.data()),
                                     static_cast<size_t>(signature.size()),
                                     reinterpret_cast<const unsigned char*>(payload.data()),
                                     static_cast<size_t>(payload.size())) == 1;
  EVP_MD_CTX_free(ctx);
  EVP_PKEY_free(key);
  if (!good) {
    return Fail(Error::Kind::kBadData, QStringLiteral("签名与程序内置的公钥不符"));
  }
  return payload.size();
}

SigningKey::~SigningKey() { EVP_PKEY_free(Key(key_)); }
SigningKey::SigningKey(SigningKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
SigningKey& SigningKey::operator=(SigningKey&& other) noexcept {
  std::swap(key_, other.key_);
  return *this;
}

std::optional<SigningKey> SigningKey::Generate() {
  EVP_PKEY* key = nullptr;
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
  const bool ok = ctx && EVP_PKEY_keygen_init(ctx) == 1 && EVP_PKEY_keygen(ctx, &key) == 1;
  EVP_PKEY_CTX_free(ctx);
  if (!ok) return std::nullopt;
  return SigningKey(key);
}

std::optional<SigningKey> SigningKey::FromPem(const QByteArray& pem) {
  BIO* bio = BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size()));
  EVP_PKEY* key = bio ? PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr) : nullptr;
  BIO_free(bio);
  if (!key) return std::nullopt;
  if (EVP_PKEY_id(key) != EVP_PKEY_ED25519) {
    EVP_PKEY_free(key);
    return std::nullopt;
  }
  return SigningKey(key);
}

Result<SigningKey> SigningKey::Load(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return Fail(Error::Kind::kMissing, QStringLiteral("cannot read %1").arg(path),
                file.errorString());
  }
  std::optional<SigningKey> key = FromPem(file.readAll());
  if (!key)
    return Fail(Error::Kind::kBadData, QStringLiteral("%1 holds no Ed25519 private key").arg(path));
  return std::move(*key);
}

QByteArray SigningKey::ToPem() const {
  BIO* bio = BIO_new(BIO_s_mem());
  QByteArray pem;
  if (bio && PEM_write_bio_PrivateKey(bio, Key(key_), nullptr, nullptr, 0, nullptr, nullptr) == 1) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    pem = QByteArray(data, static_cast<qsizetype>(size));
  }
  BIO_free(bio);
  return pem;
}

QByteArray SigningKey::PublicKey() const {
  QByteArray raw(kPublicKeyBytes, Qt::Uninitialized);
  size_t size = static_cast<size_t>(raw.size());
  if (EVP_PKEY_get_raw_public_key(Key(key_), reinterpret_cast<unsigned char*>(raw.data()), &size) !=
          1 ||
      size != static_cast<size_t>(kPublicKeyBytes)) {
    return {};
  }
  return raw;
}

QByteArray SigningKey::Sign(QByteArrayView data) const {
  QByteArray signature(kSignatureBytes, Qt::Uninitialized);
  size_t size = static_cast<size_t>(signature.size());
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  const bool ok = ctx && EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, Key(key_)) == 1 &&
                  EVP_DigestSign(ctx, reinterpret_cast<unsigned char*>(signature.data()), &size,
                                 reinterpret_cast<const unsigned char*>(data.data()),
                                 static_cast<size_t>(data.size())) == 1;
  EVP_MD_CTX_free(ctx);
  if (!ok || size != static_cast<size_t>(kSignatureBytes)) return {};
  return signature;
}

QByteArray SigningKey::SignPackage(QByteArrayView payload) const {
  const QByteArray signature = Sign(payload);
  if (signature.isEmpty()) return {};
  QByteArray out;
  out.reserve(payload.size() + kMarkerBytes + kSignatureBytes);
  out.append(payload);
  out.append(kSignatureMarker, kMarkerBytes);
  out.append(signature);
  return out;
}

QByteArray SelfExtractor(const QByteArray& tar) {
  // The offset has a fixed width, so the stub's length does not depend on it.
  static const char kStub[] =
      "#!/bin/sh\n"
      "# Veltrano update package: unpacks the new program files into temp/\n"
      "# beside this file and ends.\n"
      "set -eu\n"
      "offset=$((%1))\n"
      "dir=$(cd \"$(dirname \"$0\")\" && pwd)\n"
      "rm -rf \"$dir/temp\"\n"
      "mkdir \"$dir/temp\"\n"
      "tail -c +\"$offset\" \"$0\" | tar -xf - -C \"$dir/temp\" --no-same-owner\n"
      "exit 0\n";
  const QString placeholder = QStringLiteral("%1").arg(0, 12);
  const qsizetype stub_size = QString::fromLatin1(kStub).arg(placeholder).toLatin1().size();
  QByteArray out = QString::fromLatin1(kStub).arg(stub_size + 1, 12).toLatin1();
  Q_ASSERT(out.size() == stub_size);
  out += tar;
  return out;
}

Result<QByteArray> TarFolder(const QString& folder) {
  QProcess tar;
  tar.start(QStringLiteral("tar"),
            {QStringLiteral("-cf"), QStringLiteral("-"), QStringLiteral("-C"), folder,
             QStringLiteral("--owner=0"), QStringLiteral("--group=0"), QStringLiteral(".")});
  if (!tar.waitForFinished(300000) || tar.exitStatus() != QProcess::NormalExit ||
      tar.exitCode() != 0) {
    return Fail(Error::Kind::kOther, QStringLiteral("tar failed: %1").arg(tar.errorString()),
                QString::fromLocal8Bit(tar.readAllStandardError()));
  }
  return tar.readAllStandardOutput();
}

}  // namespace talvec::package
