// Steps 1 to 3 of the window: the product list from the files beside the
// program, the MIDI lists with their preferred device and refill, and the
// data-file browser.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractItemView>
#include <QAbstractButton>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTextBrowser>
#include <QTimer>

#include "CMyCombox.h"
#include "CVantrelDlg.h"
#include "MidiSystem.h"
#include "ShellTestSupport.h"
#include "SystemFiles.h"

using shelltest::NamesOnlyBackend;

namespace {

QStringList Items(const QComboBox& list)
{
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items << list.itemText(i);
    return items;
}

class ShellSelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::InstallQtEventPump();
        m_config = shelltest::FreshConfigDirectory();
        platform::MidiSystem::instance().clearBackends();
    }
    void TearDown() override
    {
        m_window.reset();
        platform::MidiSystem::instance().clearBackends();
    }

    CVantrelDlg& OpenWindow()
    {
        m_window = std::make_unique<CVantrelDlg>();
        m_window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        return *m_window;
    }

    CMyCombox& List(int id) { return *qobject_cast<CMyCombox*>(m_window->GetDlgItem(id)); }

    std::shared_ptr<NamesOnlyBackend> AddDevices(std::vector<std::string> outputs, std::vector<std::string> inputs)
    {
        auto backend = std::make_shared<NamesOnlyBackend>(std::move(outputs), std::move(inputs));
        platform::MidiSystem::instance().addBackend(backend);
        return backend;
    }

    std::filesystem::path m_config;
    std::unique_ptr<CVantrelDlg> m_window;
};

TEST_F(ShellSelectionTest, ProductListIsSortedIgnoringCaseAndSkipsFolders)
{
    shelltest::WriteFile(m_config / "b.cfg", "0\n");
    shelltest::WriteFile(m_config / "A.cfg", "0\n");
    shelltest::WriteFile(m_config / "X10.CFG", "0\n");
    shelltest::WriteFile(m_config / "notes.txt", "");
    std::filesystem::create_directory(m_config / "old.cfg");
    const auto before = std::filesystem::current_path();

    OpenWindow();
    EXPECT_EQ(Items(List(1004)), (QStringList{"A", "b", "X10"}));
    EXPECT_EQ(List(1004).currentIndex(), 0);
    EXPECT_EQ(List(1004).currentText(), QString("A"));
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(ShellSelectionTest, NamelessFilesAndPipesAreNoProducts)
{
    shelltest::WriteFile(m_config / ".cfg", "0\n");
    shelltest::WriteFile(m_config / "Piano.cfg", "0\n");
    testsupport::MakeNamedPipe(m_config / "x.cfg");  // where the system has them
    OpenWindow();
    EXPECT_EQ(Items(List(1004)), (QStringList{"Piano"}));
}

TEST_F(ShellSelectionTest, WithoutTheProductFolderTheListIsEmpty)
{
    std::filesystem::remove_all(m_config);
    const auto before = std::filesystem::current_path();
    OpenWindow();
    EXPECT_EQ(List(1004).count(), 0);
    EXPECT_EQ(List(1004).currentIndex(), -1);
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(ShellSelectionTest, LastDeviceNamedUsbInAnyCaseIsPreselected)
{
    AddDevices({"Port A", "USB MIDI Out", "usb midi 2"}, {"uSb In", "Port B"});
    OpenWindow();
    EXPECT_EQ(Items(List(1002)), (QStringList{"Port A", "USB MIDI Out", "usb midi 2"}));
    EXPECT_EQ(List(1002).currentIndex(), 2);
    EXPECT_EQ(List(1003).currentIndex(), 0);
}

TEST_F(ShellSelectionTest, WithoutUsbTheFirstDeviceAndWithoutDevicesNothing)
{
    AddDevices({"Port A", "Port B"}, {});
    OpenWindow();
    EXPECT_EQ(List(1002).currentIndex(), 0);
    EXPECT_EQ(List(1003).count(), 0);
    EXPECT_EQ(List(1003).currentIndex(), -1);
}

TEST_F(ShellSelectionTest, DevicesOfEveryBackendAreNumberedInOrder)
{
    AddDevices({"Hardware Out"}, {"Hardware In"});
    AddDevices({"Simulated instrument (no hardware)"}, {"Simulated instrument (no hardware)"});
    OpenWindow();
    EXPECT_EQ(Items(List(1002)), (QStringList{"Hardware Out", "Simulated instrument (no hardware)"}));
    EXPECT_EQ(Items(List(1003)), (QStringList{"Hardware In", "Simulated instrument (no hardware)"}));
}

TEST_F(ShellSelectionTest, UnreadableNameKeepsItsPlaceInTheList)
{
    AddDevices({"Port A", "", "Port C"}, {});
    OpenWindow();
    ASSERT_EQ(List(1002).count(), 3);
    EXPECT_FALSE(List(1002).itemText(1).isEmpty());
    EXPECT_EQ(List(1002).itemText(2), QString("Port C"));
}

TEST_F(ShellSelectionTest, OpeningAMidiListRefillsItWithoutAChoice)
{
    auto devices = AddDevices({"USB Out"}, {"USB In"});
    OpenWindow();
    ASSERT_EQ(List(1002).currentIndex(), 0);
    ASSERT_EQ(List(1003).currentIndex(), 0);

    devices->m_outputs = {"USB Out", "Keyboard Out"};
    List(1002).showPopup();
    EXPECT_EQ(Items(List(1002)), (QStringList{"USB Out", "Keyboard Out"})) << "a new device shows up";
    List(1002).hidePopup();
    EXPECT_EQ(List(1002).currentIndex(), -1) << "closing without a pick leaves no choice";
    EXPECT_EQ(List(1003).currentIndex(), 0) << "the other list keeps its choice";

    devices->m_inputs = {};
    List(1003).showPopup();
    List(1003).hidePopup();
    EXPECT_EQ(List(1003).count(), 0) << "a device taken away disappears";
}

TEST_F(ShellSelectionTest, PickingFromTheRefilledListMakesTheChoice)
{
    AddDevices({"Port A", "Port B"}, {"Port C"});
    OpenWindow();
    CMyCombox& out = List(1002);
    out.showPopup();
    QAbstractItemView* view = out.view();
    const QModelIndex second = view->model()->index(1, 0);
    view->setCurrentIndex(second);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(out.currentIndex(), 1);
}

TEST_F(ShellSelectionTest, HiddenHelpButtonOpensThePageBesideTheProgram)
{
    OpenWindow();
    auto* help = qobject_cast<QAbstractButton*>(m_window->GetDlgItem(1015));
    EXPECT_TRUE(help->isHidden());
    // The "browser": any object with a slot that takes the URL.
    QTextBrowser browser;
    QDesktopServices::setUrlHandler("file", &browser, "setSource");
    help->click();
    QDesktopServices::unsetUrlHandler("file");
    const QString page = QString::fromStdString(shelltest::ExeDirectory() + "help/HelpEng.htm");
    EXPECT_EQ(browser.source().toLocalFile(), QDir::fromNativeSeparators(page));
}

class BrowseTest : public ShellSelectionTest {
protected:
    // Answers the file dialog that opens next with `answer` (run on it, then
    // it is closed if still open).
    void OnFileDialog(std::function<void(QFileDialog&)> answer)
    {
        QTimer::singleShot(50, [this, answer = std::move(answer)] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            m_sawDialog = dialog != nullptr;
            if (dialog == nullptr)
                return;
            answer(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    }
    void ClickBrowse() { QTest::mouseClick(m_window->GetDlgItem(1012), Qt::LeftButton); }
    QLineEdit& PathField() { return *qobject_cast<QLineEdit*>(m_window->GetDlgItem(1011)); }

    bool m_sawDialog = false;
};

TEST_F(BrowseTest, OffersTheTwoFilterChoicesWithTheirLabels)
{
    OpenWindow();
    QStringList labels;
    OnFileDialog([&](QFileDialog& dialog) {
        for (QComboBox* box : dialog.findChildren<QComboBox*>())
            if (box->objectName() == QLatin1String("fileTypeCombo"))
                labels = Items(*box);
    });
    ClickBrowse();
    ASSERT_TRUE(m_sawDialog);
    EXPECT_EQ(labels, (QStringList{"Data files(*.bin)", "All files(*.*)"}));
}

TEST_F(BrowseTest, DataFilesChoiceMatchesBinInAnyLetterCase)
{
    const std::filesystem::path folder = std::filesystem::path(shelltest::ExeDirectory()) / "browse";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const char* name : {"a.bin", "b.BIN", "c.Bin", "d.txt", "README"})
        shelltest::WriteFile(folder / name, "x");

    OpenWindow();
    QStringList listed;
    OnFileDialog([&](QFileDialog& dialog) {
        // The dialog's file system model reads the folder in the background and says when it is done.
        auto* files = dialog.findChild<QFileSystemModel*>();
        ASSERT_NE(files, nullptr);
        QSignalSpy loaded(files, &QFileSystemModel::directoryLoaded);
        const QString path = QDir::cleanPath(QString::fromStdString(folder.string()));
        dialog.setDirectory(path);
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return std::any_of(loaded.begin(), loaded.end(), [&](const QList<QVariant>& args) { return args.at(0).toString() == path; });
        }));
        auto* proxyView = dialog.findChild<QAbstractItemView*>("listView");
        ASSERT_NE(proxyView, nullptr);
        const QModelIndex root = proxyView->rootIndex();
        for (int row = 0; row < proxyView->model()->rowCount(root); ++row)
            listed << proxyView->model()->index(row, 0, root).data().toString();
    });
    ClickBrowse();
    ASSERT_TRUE(m_sawDialog);
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"a.bin", "b.BIN", "c.Bin"}));
}

TEST_F(BrowseTest, ChosenFileFillsThePathField)
{
    const std::string file = shelltest::ExeDirectory() + "chosen.BIN";
    shelltest::WriteFile(file, "xy");
    OpenWindow();
    OnFileDialog([&](QFileDialog& dialog) {
        dialog.setDirectory(QString::fromStdString(shelltest::ExeDirectory()));
        auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        QTest::keyClicks(name, "chosen.BIN");
        QTest::keyClick(name, Qt::Key_Return);
    });
    ClickBrowse();
    ASSERT_TRUE(m_sawDialog);
    EXPECT_EQ(PathField().text().toStdString(), file);
}

TEST_F(BrowseTest, CancelLeavesATypedPathAlone)
{
    OpenWindow();
    PathField().setFocus();
    QTest::keyClicks(&PathField(), "/typed/by/hand.bin");
    OnFileDialog([](QFileDialog& dialog) { dialog.reject(); });
    ClickBrowse();
    ASSERT_TRUE(m_sawDialog);
    EXPECT_EQ(PathField().text(), QString("/typed/by/hand.bin"));
}

}  // namespace
