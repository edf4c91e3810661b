// The update package: a self-extracting program for this platform that
// fills the folder "temp" beside itself with the new program files and ends,
// followed by an Ed25519 signature over everything before it:
//
//   payload | kSignatureMarker | 64 signature bytes
//
// The server delivers the package as one file; the updater runs only a
// payload whose signature verifies against the key built into it.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>

#include "core/error.h"

namespace talvec::package {

inline constexpr char kSignatureMarker[] = "\n#TALVEC-ED25519-SIGNATURE#\n";
inline constexpr qsizetype kMarkerBytes = sizeof kSignatureMarker - 1;
inline constexpr qsizetype kSignatureBytes = 64;
inline constexpr qsizetype kPublicKeyBytes = 32;

// Checks the signature at the end of `package` against the raw Ed25519
// public key; gives the size of the payload, the bytes to run.
Result<qsizetype> VerifyPackage(QByteArrayView package, QByteArrayView public_key);

// An Ed25519 private key.
class SigningKey {
 public:
  ~SigningKey();
  SigningKey(SigningKey&&) noexcept;
  SigningKey& operator=(SigningKey&&) noexcept;

  static std::optional<SigningKey> Generate();
  // A PEM (PKCS#8) private key.
  static std::optional<SigningKey> FromPem(const QByteArray& pem);
  static Result<SigningKey> Load(const QString& path);

  QByteArray ToPem() const;
  QByteArray PublicKey() const;                // raw, kPublicKeyBytes
  QByteArray Sign(QByteArrayView data) const;  // kSignatureBytes, or empty on failure
  // payload | marker | signature
  QByteArray SignPackage(QByteArrayView payload) const;

 private:
  explicit SigningKey(void* key) : key_(key) {}
  void* key_ = nullptr;  // EVP_PKEY
};

// The unsigned part of a signed package (everything before the marker);
// the whole input when it carries no marker at its end.
QByteArrayView Payload(QByteArrayView package);

// The package program around a tar archive of the new files: a shell
// stub that unpacks the archive into "temp" beside the package.
QByteArray SelfExtractor(const QByteArray& tar);
// A tar archive of the folder's content (through the system's tar).
Result<QByteArray> TarFolder(const QString& folder);

}  // namespace talvec::package
