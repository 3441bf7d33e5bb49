#include "KeyboardState.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>

namespace platform {
namespace {

bool g_capsLockOn = false;

// Flips the tracked state on every (non-repeated) Caps Lock press in the application.
class CapsLockWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Each press reaches several receivers (window, focus widget, parents): count it once.
        if (event->type() == QEvent::KeyPress && event->spontaneous() && watched->isWindowType()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_CapsLock && !key->isAutoRepeat())
                g_capsLockOn = !g_capsLockOn;
        }
        return false;
    }
};

QPointer<CapsLockWatcher> g_watcher;

}  // namespace

void WatchCapsLock()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || !g_watcher.isNull())
        return;
    g_watcher = new CapsLockWatcher(app);  // lives and dies with the application
    app->installEventFilter(g_watcher);
}

bool IsCapsLockOn() { return g_capsLockOn; }

void SetCapsLockOn(bool on) { g_capsLockOn = on; }

}  // namespace platform
