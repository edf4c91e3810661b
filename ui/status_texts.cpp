#include "ui/status_texts.h"

#include "collect/channels.h"

namespace talvec {

namespace {

QString LastCycleText(const CollectionProgress& p) {
  // Nothing is said before the first complete cycle of a new file.
  if (!p.last_complete_end.isValid()) return {};
  return QStringLiteral("上次采集完成：%1（新增 %2 条）")
      .arg(p.last_complete_end.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
      .arg(p.last_complete_new);
}

QString Joined(const QString& now, const CollectionProgress& p) {
  const QString last = LastCycleText(p);
  return last.isEmpty() ? now : now + QStringLiteral("    ") + last;
}

// Pages that could not be read whole, said until the next cycle starts.
QString TooLarge(const CollectionProgress& p) {
  if (p.too_large_pages == 0) return {};
  return QStringLiteral("，页面过大 %1 页").arg(p.too_large_pages);
}

}  // namespace

QString ProgressText(const CollectionProgress& p) {
  QString now;
  switch (p.phase) {
    case CollectionProgress::Phase::kIdle:
      return p.too_large_pages == 0 ? LastCycleText(p)
                                    : Joined(QStringLiteral("本轮采集结束") + TooLarge(p), p);
    case CollectionProgress::Phase::kFileGone:
      if (!p.cause.isEmpty()) return QStringLiteral("采集已停止：%1").arg(p.cause);
      return QStringLiteral("数据库文件已被删除或替换，采集已停止，请重新启动程序");
    case CollectionProgress::Phase::kWriteFailed:
      return Joined(QStringLiteral("数据库无法写入：%1").arg(p.cause), p);
    case CollectionProgress::Phase::kConstruction:
      now = QStringLiteral("正在采集：建设网招标公告");
      break;
    case CollectionProgress::Phase::kChannel: {
      const ChannelInfo* channel = ChannelOfType(p.type);
      now = QStringLiteral("正在采集：%1 第 %2 页")
                .arg(channel ? channel->Heading() : QString::number(p.type))
                .arg(p.page);
      break;
    }
    case CollectionProgress::Phase::kWaitingNetwork:
      now = p.cause.isEmpty() ? QStringLiteral("网络中断，等待恢复后继续采集")
                              : QStringLiteral("网络中断（%1），等待恢复后继续采集").arg(p.cause);
      break;
  }
  return Joined(
      QStringLiteral("%1，本轮新增 %2 条%3").arg(now).arg(p.new_announcements).arg(TooLarge(p)), p);
}

}  // namespace talvec
