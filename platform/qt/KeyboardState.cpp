#include "KeyboardState.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace platform {
namespace {

// The Caps Lock bit of the native modifiers, per window-system plugin: X11's
// LockMask, which Wayland's keymaps share; Windows' and macOS' own flags.
constexpr quint32 kX11LockMask = 0x2;
constexpr quint32 kWindowsCapsLock = 0x100;
constexpr quint32 kMacCapsLock = 1u << 16;

quint32 capsLockMask()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("windows"))
        return kWindowsCapsLock;
    if (platform == QLatin1String("cocoa"))
        return kMacCapsLock;
    return kX11LockMask;
}

}  // namespace

bool IsCapsLockOn(const QKeyEvent& event) { return (event.nativeModifiers() & capsLockMask()) != 0; }

}  // namespace platform
