// vantrel-window-gap: runs one update in the real main window against the
// simulated instrument on a slow link and reports the longest time the
// window's event loop went without running meanwhile (a 1 ms timer that
// can only fire when events are dispatched). The same measure over the idle
// window first shows what the machine's load alone accounts for.
//   vantrel-window-gap [bytes per second, default 3125] [chunks of 1024 words, default 4]
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "CMyCombox.h"
#include "CPictureStatic.h"
#include "CVantrelDlg.h"
#include "MidiSystem.h"
#include "QtEventPump.h"
#include "SimulatedMidiBackend.h"
#include "UserMessage.h"

namespace {

constexpr int kProductList = 1004;
constexpr int kMidiOutList = 1002;
constexpr int kMidiInList = 1003;
constexpr int kDataPath = 1011;
constexpr int kUpdatePicture = 1017;

// Longest times between two ticks of a 1 ms timer from the click to the
// result: over the whole update, and between ticks that both fell inside the
// run proper (after the opening, when the window is guarded against a second
// run and against closing).
class GapRecorder : public QObject {
public:
    explicit GapRecorder(const CVantrelDlg& window) : m_window(window)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
        m_clock.start();
        m_timer.start(1);
    }
    //! Measuring starts now.
    void Begin()
    {
        m_last = m_clock.nsecsElapsed();
        m_active = true;
        m_longest = m_longestInRun = m_ticks = 0;
    }
    //! Measuring ends now.
    void End()
    {
        Tick();
        m_active = false;
    }
    double longestMs() const { return m_longest / 1e6; }
    double longestInRunMs() const { return m_longestInRun / 1e6; }
    qint64 ticks() const { return m_ticks; }

private:
    void Tick()
    {
        if (!m_active)
            return;
        const qint64 now = m_clock.nsecsElapsed();
        const bool inRun = m_window.IsUpdating();
        m_longest = std::max(m_longest, now - m_last);
        if (inRun && m_lastInRun)
            m_longestInRun = std::max(m_longestInRun, now - m_last);
        m_last = now;
        m_lastInRun = inRun;
        ++m_ticks;
    }

    const CVantrelDlg& m_window;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_active = false;
    qint64 m_last = 0;
    bool m_lastInRun = false;
    qint64 m_longest = 0;
    qint64 m_longestInRun = 0;
    qint64 m_ticks = 0;
};

bool Select(CVantrelDlg& window, int id, const char* text)
{
    auto* list = qobject_cast<CMyCombox*>(window.GetDlgItem(id));
    const int index = list ? list->findText(text) : -1;
    if (index >= 0)
        list->setCurrentIndex(index);
    return index >= 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const unsigned rate = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 3125;
    const unsigned chunks = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 4;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::InstallQtEventPump();
    platform::SetMessageHandler([](const std::string& text, const std::string&) {
        std::printf("message: %s\n", text.c_str());
    });

    platform::SimulatedInstrument::Config config;
    config.linkBytesPerSecond = rate;
    platform::MidiSystem::instance().clearBackends();
    platform::MidiSystem::instance().addBackend(std::make_shared<platform::SimulatedMidiBackend>(config));

    const std::string image = "/tmp/vantrel-window-gap-" + std::to_string(QCoreApplication::applicationPid()) + ".bin";
    std::ofstream(image, std::ios::binary) << std::string(chunks * 2048u, '\x5A');

    CVantrelDlg window;
    window.show();
    const char* device = platform::SimulatedMidiBackend::kDeviceName;
    if (!Select(window, kProductList, "Home 61") || !Select(window, kMidiOutList, device) ||
        !Select(window, kMidiInList, device)) {
        std::fprintf(stderr, "vantrel-window-gap: needs the product \"Home 61\" beside the program\n");
        return 1;
    }
    qobject_cast<QLineEdit*>(window.GetDlgItem(kDataPath))->setText(QString::fromStdString(image));

    GapRecorder recorder(window);
    // The idle window first, then the update.
    constexpr int kIdleMs = 2000;
    double idleLongestMs = 0;
    QElapsedTimer run;
    recorder.Begin();
    QTimer::singleShot(kIdleMs, &window, [&] {
        recorder.End();
        idleLongestMs = recorder.longestMs();
        run.start();
        recorder.Begin();
        emit qobject_cast<CPictureStatic*>(window.GetDlgItem(kUpdatePicture))->clicked();
        recorder.End();
        std::printf("idle window, %d ms: longest gap %.1f ms\n", kIdleMs, idleLongestMs);
        std::printf("update of %u chunks at %u B/s, %.1f s: longest gap %.1f ms, %.1f ms inside the run proper "
                    "(after the opening); the event loop ran %lld times\n",
                    chunks, rate, run.elapsed() / 1000.0, recorder.longestMs(), recorder.longestInRunMs(),
                    static_cast<long long>(recorder.ticks()));
        QCoreApplication::quit();
    });
    const int code = app.exec();
    std::remove(image.c_str());
    return code;
}
