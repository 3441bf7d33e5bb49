// The update run driven as a user drives it: pick, type the path, click the
// Update picture; against the simulated instrument, with every message box
// captured.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "CCylinderProgressCtrlST.h"
#include "CProgressObserver.h"
#include "CMyButton.h"
#include "CMyCombox.h"
#include "CPictureStatic.h"
#include "CVantrelDlg.h"
#include "MidiSystem.h"
#include "ShellTestSupport.h"
#include "SimulatedMidiBackend.h"

using platform::SimulatedInstrument;
using platform::SimulatedMidiBackend;
using shelltest::MessageCapture;

namespace {

// Two chunks: the smallest image that shows a multi-chunk run (one erase, 700 ms).
constexpr std::size_t kImageWords = 0x800;
constexpr std::uint8_t kReadCommand = 0x08;

class ShellUpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::InstallQtEventPump();
        m_config = shelltest::FreshConfigDirectory();
        shelltest::WriteFile(m_config / "Sim.cfg", "0\n");
        m_image = shelltest::MakeImage(kImageWords);
        m_imagePath = shelltest::ExeDirectory() + "image.bin";
        shelltest::WriteFile(m_imagePath, m_image);
        UseInstrument({});
    }

    void TearDown() override
    {
        m_window.reset();
        platform::MidiSystem::instance().clearBackends();
    }

    void UseInstrument(SimulatedInstrument::Config config)
    {
        platform::MidiSystem::instance().clearBackends();
        m_sim = std::make_shared<SimulatedMidiBackend>(std::move(config));
        platform::MidiSystem::instance().addBackend(m_sim);
    }

    CVantrelDlg& OpenWindow()
    {
        m_window = std::make_unique<CVantrelDlg>();
        m_window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        return *m_window;
    }

    template <class T>
    T& Control(int id)
    {
        auto* control = qobject_cast<T*>(m_window->GetDlgItem(id));
        EXPECT_NE(control, nullptr) << "control " << id;
        return *control;
    }

    void TypeDataPath(const std::string& path)
    {
        auto& edit = Control<QLineEdit>(1011);
        edit.setFocus();
        QTest::keyClicks(&edit, QString::fromStdString(path));
    }

    void SetVerify(bool on)
    {
        auto& verify = Control<CMyButton>(1013);
        if (verify.GetChecked() != on)
            QTest::mouseClick(&verify, Qt::LeftButton);
        ASSERT_EQ(verify.GetChecked(), on);
    }

    void ClickUpdate() { QTest::mouseClick(&Control<CPictureStatic>(1017), Qt::LeftButton); }

    // Runs `action` once, at the first dispatch of waiting messages once the run is under way.
    void DuringTheRun(std::function<void()> action)
    {
        auto* poll = new QTimer(m_window.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, action] {
            if (m_window->IsUpdating()) {
                poll->stop();
                action();
            }
        });
        poll->start(0);
    }

    std::vector<std::uint16_t> Flash(std::size_t words)
    {
        return m_sim->withInstrument([words](SimulatedInstrument& instrument) {
            return std::vector<std::uint16_t>(instrument.flash().begin(), instrument.flash().begin() + words);
        });
    }

    std::size_t ReadRequests()
    {
        return m_sim->withInstrument([](SimulatedInstrument& i) { return i.statistics().readRequests; });
    }

    std::vector<std::uint16_t> ImageWords() const
    {
        std::vector<std::uint16_t> words(m_image.size() / 2);
        for (std::size_t i = 0; i < words.size(); ++i)
            words[i] = static_cast<std::uint16_t>(static_cast<std::uint8_t>(m_image[2 * i]) |
                                                  static_cast<std::uint8_t>(m_image[2 * i + 1]) << 8);
        return words;
    }

    void ExpectIdleLook()
    {
        EXPECT_FALSE(m_window->IsUpdating());
        EXPECT_TRUE(Control<CPictureStatic>(1017).isVisible());
        EXPECT_TRUE(Control<CMyButton>(1013).isVisible());
        EXPECT_FALSE(Control<CCylinderProgressCtrlST>(1007).isVisible());
    }

    std::filesystem::path m_config;
    std::string m_image;
    std::string m_imagePath;
    std::shared_ptr<SimulatedMidiBackend> m_sim;
    std::unique_ptr<CVantrelDlg> m_window;
};

TEST_F(ShellUpdateTest, CompleteUpdateWritesTheImageAndReportsSuccess)
{
    MessageCapture messages;
    OpenWindow();
    TypeDataPath(m_imagePath);
    ClickUpdate();

    EXPECT_EQ(messages.texts, std::vector<std::string>{"Update successful !"});
    EXPECT_EQ(Flash(kImageWords), ImageWords());
    EXPECT_EQ(m_window->FlashBlocks(), (std::list<std::uint32_t>{0}));
    ExpectIdleLook();
    // The read-back ran: 2 chunks of 1024 words at 16 words per reply, plus the erase poll.
    EXPECT_EQ(ReadRequests(), 2u * 64u + 1u);
}

TEST_F(ShellUpdateTest, WithoutVerifyOnlyTheErasePollReads)
{
    MessageCapture messages;
    OpenWindow();
    SetVerify(false);
    TypeDataPath(m_imagePath);
    ClickUpdate();

    EXPECT_EQ(messages.texts, std::vector<std::string>{"Update successful !"});
    EXPECT_EQ(ReadRequests(), 1u);
    EXPECT_EQ(Flash(kImageWords), ImageWords());
}

TEST_F(ShellUpdateTest, EmptyProductListIsTheFirstCheck)
{
    shelltest::FreshConfigDirectory();
    platform::MidiSystem::instance().clearBackends();  // empty MIDI lists must not be reported first
    MessageCapture messages;
    OpenWindow();
    ClickUpdate();
    EXPECT_EQ(messages.texts,
              std::vector<std::string>{"Device config list is empty, please setup the softeware again"});
}

TEST_F(ShellUpdateTest, ChecksReportInOrderAsEachIsMended)
{
    platform::MidiSystem::instance().clearBackends();
    MessageCapture messages;
    OpenWindow();
    auto& product = Control<CMyCombox>(1004);

    // No product chosen (the list had one chosen at start; a reset takes it away).
    product.setCurrentIndex(-1);
    ClickUpdate();
    product.hidePopup();
    product.setCurrentIndex(0);
    // No MIDI devices at all.
    ClickUpdate();

    // Outputs appear, inputs don't.
    auto outputsOnly = std::make_shared<shelltest::NamesOnlyBackend>(std::vector<std::string>{"Port A"},
                                                                      std::vector<std::string>{});
    platform::MidiSystem::instance().addBackend(outputsOnly);
    auto& midiOut = Control<CMyCombox>(1002);
    midiOut.showPopup();  // opening the list refills it, without a choice
    midiOut.hidePopup();
    ClickUpdate();
    midiOut.hidePopup();
    midiOut.setCurrentIndex(0);
    ClickUpdate();

    outputsOnly->m_inputs = {"Port B"};
    auto& midiIn = Control<CMyCombox>(1003);
    midiIn.showPopup();
    midiIn.hidePopup();
    ClickUpdate();
    midiIn.hidePopup();
    midiIn.setCurrentIndex(0);
    ClickUpdate();

    EXPECT_EQ(messages.texts, (std::vector<std::string>{
                                  "Please set the device type info",
                                  "MIDI out device list is empty",
                                  "Please select a MIDI out device",
                                  "MIDI in device list is empty",
                                  "Please select a MIDI in device",
                                  "Please select the data file path",
                              }));
    EXPECT_TRUE(Control<QLineEdit>(1011).hasFocus()) << "the path check moves the focus to the path field";
    ExpectIdleLook();
}

TEST_F(ShellUpdateTest, NoSelectionOpensTheListThatNeedsIt)
{
    MessageCapture messages;
    OpenWindow();
    auto& midiOut = Control<CMyCombox>(1002);
    midiOut.showPopup();
    midiOut.hidePopup();
    ASSERT_EQ(midiOut.currentIndex(), -1);
    ClickUpdate();
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Please select a MIDI out device"});
    EXPECT_TRUE(midiOut.view()->isVisible());
    midiOut.hidePopup();
}

TEST_F(ShellUpdateTest, MissingProductFileNamesItsFullPath)
{
    MessageCapture messages;
    OpenWindow();
    TypeDataPath(m_imagePath);
    std::filesystem::remove(m_config / "Sim.cfg");
    ClickUpdate();
    const std::string expected = "No such file in the directory\n" + (m_config / "Sim.cfg").string();
    EXPECT_EQ(messages.texts, std::vector<std::string>{expected});
    ExpectIdleLook();
    EXPECT_EQ(m_sim->recordedMessages().size(), 0u) << "no port was opened";
}

TEST_F(ShellUpdateTest, BadProductLineStopsBeforeThePorts)
{
    shelltest::WriteFile(m_config / "Sim.cfg", "0\nFFFFFFFF\n2000\n");
    MessageCapture messages;
    OpenWindow();
    TypeDataPath(m_imagePath);
    ClickUpdate();
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Fail to get flash block info"});
    EXPECT_EQ(m_sim->recordedMessages().size(), 0u);
    ExpectIdleLook();
}

TEST_F(ShellUpdateTest, MissingDataFileFailsAfterOpeningAndClosesThePorts)
{
    MessageCapture messages;
    OpenWindow();
    const std::string missing = shelltest::ExeDirectory() + "no-such-image.bin";
    TypeDataPath(missing);
    ClickUpdate();
    EXPECT_EQ(messages.texts, std::vector<std::string>{"No such file in the directory\n" + missing});
    ExpectIdleLook();
    const auto recorded = m_sim->recordedMessages();
    ASSERT_FALSE(recorded.empty());
    EXPECT_EQ(recorded.back().bytes[3], 0x02) << "the run ends with the end command";
}

TEST_F(ShellUpdateTest, StuckSectorFailsAfterExactlyEightyReads)
{
    SimulatedInstrument::Config config;
    config.faults.stuckSectors = {0};
    UseInstrument(config);
    // Old firmware in the block, which the erase never clears.
    m_sim->withInstrument([](SimulatedInstrument& i) { i.preload(0, std::vector<std::uint16_t>(16, 0x1234)); });
    MessageCapture messages;
    OpenWindow();
    TypeDataPath(m_imagePath);
    ClickUpdate();
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Fail to erase flash, please try again !"});
    EXPECT_EQ(ReadRequests(), 80u);
    ExpectIdleLook();
}

TEST_F(ShellUpdateTest, SilentInstrumentTimesOut)
{
    SimulatedInstrument::Config config;
    config.faults.noReply = true;
    UseInstrument(config);
    MessageCapture messages;
    OpenWindow();
    TypeDataPath(m_imagePath);
    ClickUpdate();
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Wait Time Out!"});
    ExpectIdleLook();
}

TEST_F(ShellUpdateTest, ReplyOfWrongLengthIsUnexpected)
{
    SimulatedInstrument::Config config;
    config.faults.replyLength = 7;
    UseInstrument(config);
    MessageCapture messages;
    OpenWindow();
    TypeDataPath(m_imagePath);
    ClickUpdate();
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Read Data Unexpected!"});
    ExpectIdleLook();
}

TEST_F(ShellUpdateTest, FlippedBitFailsTheReadBack)
{
    SimulatedInstrument::Config config;
    config.faults.bitFlips = {{0x405, 0x0100}};
    UseInstrument(config);
    MessageCapture messages;
    OpenWindow();
    TypeDataPath(m_imagePath);
    ClickUpdate();
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Fail to verify, please update again"});
    ExpectIdleLook();
}

TEST_F(ShellUpdateTest, FailedRunLeavesThePortsFreeForTheNextUpdate)
{
    SimulatedInstrument::Config config;
    config.faults.noReply = true;
    UseInstrument(config);
    MessageCapture messages;
    OpenWindow();
    TypeDataPath(m_imagePath);
    ClickUpdate();
    ASSERT_EQ(messages.texts, std::vector<std::string>{"Wait Time Out!"});

    m_sim->withInstrument([](SimulatedInstrument& i) { i.faults().noReply = false; });
    ClickUpdate();
    EXPECT_EQ(messages.texts, (std::vector<std::string>{"Wait Time Out!", "Update successful !"}));
    EXPECT_EQ(Flash(kImageWords), ImageWords());
}

TEST_F(ShellUpdateTest, CloseDuringTheRunIsRefusedAndTheRunCompletes)
{
    MessageCapture messages;
    CVantrelDlg& window = OpenWindow();
    TypeDataPath(m_imagePath);
    bool updatingWhenClicked = false;
    bool closeAccepted = true;
    QTimer::singleShot(200, &window, [&] {
        updatingWhenClicked = window.IsUpdating();
        QTest::mouseClick(&Control<CMyButton>(1001), Qt::LeftButton);
        closeAccepted = window.close();  // the window manager's close
        window.reject();                  // a close from the keyboard
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    ClickUpdate();

    EXPECT_TRUE(updatingWhenClicked);
    EXPECT_FALSE(closeAccepted);
    EXPECT_EQ(messages.texts, (std::vector<std::string>{"Please wait till the update finish",
                                                         "Please wait till the update finish",
                                                         "Please wait till the update finish",
                                                         "Update successful !"}));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(Flash(kImageWords), ImageWords());

    // Idle now: the close button ends the dialog with result 0.
    QTest::mouseClick(&Control<CMyButton>(1001), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), 0);
}

TEST_F(ShellUpdateTest, MinimizingDuringTheRunLetsItGoOn)
{
    MessageCapture messages;
    CVantrelDlg& window = OpenWindow();
    TypeDataPath(m_imagePath);
    bool minimizedMidRun = false;
    QTimer::singleShot(150, &window, [&] {
        QTest::mouseClick(&Control<CMyButton>(1000), Qt::LeftButton);
        minimizedMidRun = window.IsUpdating() && (window.windowState() & Qt::WindowMinimized);
    });
    ClickUpdate();
    EXPECT_TRUE(minimizedMidRun);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Update successful !"});
    window.showNormal();
    ExpectIdleLook();
}

TEST_F(ShellUpdateTest, OneRunAtATimeWhateverAsksForIt)
{
    MessageCapture messages;
    OpenWindow();
    TypeDataPath(m_imagePath);
    auto& picture = Control<CPictureStatic>(1017);
    auto* update = QAccessible::queryAccessibleInterface(&picture)->actionInterface();
    auto* verifyBox = QAccessible::queryAccessibleInterface(&Control<CMyButton>(1013))->actionInterface();
    QString actionsDuringRun = "none run";
    DuringTheRun([&] {
        // A screen reader's actions on the hidden controls fail, as on disabled ones.
        actionsDuringRun = (update->actionNames() + verifyBox->actionNames()).join(',');
        update->doAction(QAccessibleActionInterface::pressAction());
        verifyBox->doAction(QAccessibleActionInterface::toggleAction());
    });
    // Two clicks queued before the run: the second comes out of the run's own dispatching.
    for (int click = 0; click < 2; ++click)
        QMetaObject::invokeMethod(&picture, &CPictureStatic::clicked, Qt::QueuedConnection);
    QCoreApplication::processEvents();
    EXPECT_EQ(actionsDuringRun.toStdString(), "");
    EXPECT_TRUE(Control<CMyButton>(1013).GetChecked());
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Update successful !"}) << "one run, one result";
    ExpectIdleLook();
}

TEST_F(ShellUpdateTest, KeysTypedDuringARunChangeNoChoice)
{
    MessageCapture messages;
    OpenWindow();
    TypeDataPath(m_imagePath);
    auto choices = [this] {
        return (Control<CMyCombox>(1004).currentText() + '|' + Control<CMyCombox>(1002).currentText() + '|' +
                Control<CMyCombox>(1003).currentText() + '|' + Control<QLineEdit>(1011).text()).toStdString();
    };
    const std::string before = choices();
    bool listDropped = true;
    DuringTheRun([&] {
        // Each key goes where the keyboard's go: to the focus, or an open list.
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Z, Qt::Key_Z, Qt::Key_Down, Qt::Key_Up, Qt::Key_Left,
                            Qt::Key_Right, Qt::Key_Return, Qt::Key_Space})
            QTest::keyClick(static_cast<QWidget*>(nullptr), key);
        listDropped = QApplication::activePopupWidget() != nullptr;
    });
    auto& picture = Control<CPictureStatic>(1017);
    picture.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&picture, Qt::Key_Space);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Update successful !"});
    EXPECT_EQ(choices(), before);
    EXPECT_FALSE(listDropped);
}

// Counts the progress bar's paints and the positions they showed.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(CCylinderProgressCtrlST& bar) : m_bar(bar) { bar.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            positions.push_back(m_bar.GetPos());
        return false;
    }
    std::vector<int> positions;

private:
    CCylinderProgressCtrlST& m_bar;
};

TEST_F(ShellUpdateTest, ProgressBarRepaintsWhileTheRunGoesOn)
{
    // Eight chunks: the bar's range is (0, 8) and each chunk moves it.
    m_image = shelltest::MakeImage(8 * 1024);
    shelltest::WriteFile(m_imagePath, m_image);
    MessageCapture messages;
    OpenWindow();
    SetVerify(false);
    TypeDataPath(m_imagePath);
    auto& bar = Control<CCylinderProgressCtrlST>(1007);
    PaintRecorder recorder(bar);
    ClickUpdate();

    ASSERT_EQ(messages.texts, std::vector<std::string>{"Update successful !"});
    const std::vector<int>& seen = recorder.positions;
    ASSERT_GE(seen.size(), 3u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(std::count_if(seen.begin(), seen.end(), [](int p) { return p > 0 && p < 8; }), 0)
        << "the bar showed intermediate positions while the run went on";
    int lower = -1;
    int upper = -1;
    bar.GetRange(lower, upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 8);
    EXPECT_EQ(bar.GetWindowText(), QString("Updating..."));
}

class ProgressObserverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::InstallQtEventPump();
        m_owner = std::make_unique<CCylinderProgressCtrlST>();
    }
    CCylinderProgressCtrlST& Bar() { return *m_owner; }
    std::unique_ptr<CCylinderProgressCtrlST> m_owner;
};


TEST_F(ProgressObserverTest, RangesBeyondSixteenBitsStillShowTheTruePercentage)
{
    // A 128 MiB image: 65536 chunks would wrap the bar's 16-bit bounds.
    CProgressObserver observer(Bar());
    observer.SetRange(0, 65536);
    observer.SetPos(16384);
    int lower = -1;
    int upper = -1;
    Bar().GetRange(lower, upper);
    EXPECT_GT(upper, 0);
    EXPECT_LE(upper, CProgressObserver::kMaxBarValue);
    EXPECT_NEAR(Bar().GetPercent(), 25, 1);  // the bar truncates its percentage
    observer.SetPos(65536);
    EXPECT_EQ(Bar().GetPercent(), 100);
}

TEST_F(ProgressObserverTest, ScaleIsOneUpToTheLargestBound)
{
    EXPECT_EQ(CProgressObserver::ScaleFor(0), 1);
    EXPECT_EQ(CProgressObserver::ScaleFor(32767), 1);
    EXPECT_EQ(CProgressObserver::ScaleFor(32768), 2);
    EXPECT_EQ(CProgressObserver::ScaleFor(65534), 2);
    EXPECT_EQ(CProgressObserver::ScaleFor(65535), 3);
}

}  // namespace
