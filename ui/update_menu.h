// The main window's side of the update check: TimerSystemUP's ticks, the
// menu command MenuUpdate "系统升级(&Upgrade)", and what follows each answer.
#pragma once

class QMainWindow;
class QMenu;
class QTimer;

namespace talvec {

class UpdateCheck;

// Adds a separator and MenuUpdate to `menu`, and connects `timer` and the
// check's answers to the window: a newer version closes it (the updater
// has started), "newest" stops the timer (and says so when asked from the
// menu), no answer to the menu command shows in the status bar, a version
// that failed before is tried again from the menu only after asking. A
// failed update (the last one, or the updater not starting) stays in the
// status bar as "升级失败：" and its cause (LabelUpdate).
void InstallUpdateCommands(QMainWindow* window, QMenu* menu, QTimer* timer, UpdateCheck& check);

// Status bar text when the management server does not answer.
inline constexpr const char* kNoUpdateAnswerText = "升级服务器没有应答";
inline constexpr const char* kUpdateFailedPrefix = "升级失败：";

}  // namespace talvec
