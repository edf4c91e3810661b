#include "collect/collection_progress.h"

#include "collect/channels.h"

namespace talvec {

namespace {

QString LastCycleText(const CollectionProgress& p) {
  if (!p.last_complete_end.isValid()) return QStringLiteral("尚未完成过采集");
  return QStringLiteral("上次采集完成：%1（新增 %2 条）")
      .arg(p.last_complete_end.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
      .arg(p.last_complete_new);
}

}  // namespace

QString ProgressText(const CollectionProgress& p) {
  QString now;
  switch (p.phase) {
    case CollectionProgress::Phase::kIdle:
      return LastCycleText(p);
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
      now = QStringLiteral("网络中断，等待恢复后继续采集");
      break;
  }
  return QStringLiteral("%1，本轮新增 %2 条    %3")
      .arg(now)
      .arg(p.new_announcements)
      .arg(LastCycleText(p));
}

}  // namespace talvec
