#pragma once
// The program's only main window: a frameless, skinned, fixed-size dialog that
// leads the user through four steps (product, MIDI ports, data file, update)
// and runs the update itself. Its operations live in four files: the window
// (CVantrelDlg.cpp), the lists and browsing (CVantrelDlgSelect.cpp), the
// update run (CVantrelDlgUpdate.cpp) and what assistive tools and the keyboard
// reach (CVantrelDlgAccess.cpp).
#include <QBrush>
#include <QCursor>
#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <vector>

#include "CCylinderProgressCtrlST.h"
#include "CMidiPort.h"
#include "CMyButton.h"
#include "CMyCombox.h"
#include "CMyGroupbox.h"
#include "CPictureStatic.h"
#include "CToolTipCtrl.h"
#include "CTranEdit.h"
#include "ColorTypes.h"
#include "MidiDeviceId.h"
#include "SleepInhibitor.h"

class CVantrelDlg : public QDialog {
    Q_OBJECT

public:
    //! Colour of the 2-pixel frame along the window's edges.
    static constexpr ColorRef kFrameColor = RGB(0, 81, 149);
    //! The system command that opens the about box (low four bits ignored).
    static constexpr unsigned IDM_ABOUTBOX = 0x0010;
    //! How long the end of the session waits for the message on its way:
    //! within the five seconds Windows gives a window after WM_ENDSESSION.
    static constexpr unsigned kSessionEndGraceMs = 4000;

    //! Builds the window from its template and runs the start-up sequence
    //! (icons, title, tooltips, control set-up, the three lists).
    explicit CVantrelDlg(QWidget* parent = nullptr);
    ~CVantrelDlg() override;

    //! The control with template id `id`; nullptr for an unknown id.
    QWidget* GetDlgItem(int id) const;
    //! True from the end of a successful preparation until the run is finished.
    bool IsUpdating() const { return m_bUpdating != 0; }
    //! The product's flash block start addresses as last loaded.
    const std::list<std::uint32_t>& FlashBlocks() const { return m_flashBlocks; }

    //! A window-menu command: 0x0010 to 0x001F open the about box; the rest
    //! get the platform's handling (minimize, restore, close).
    void OnSysCommand(unsigned id);

    //! Close requests (window manager, keyboard) are refused while an update runs.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    //! Tab, Shift+Tab and the arrows on a button: the window shows the focus from now on.
    bool focusNextPrevChild(bool next) override;
    //! During a run, refuses the system's question whether the session may end.
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // Window (CVantrelDlg.cpp).
    void CreateControls();
    void DoDataExchange();
    void OnInitDialog();
    void SetupWindow();
    void SetupToolTips();
    void SetupControls();
    void ApplyTextColors();
    void SetTabOrder();
    void ConnectHandlers();
    void OnMinimizeButton();
    void OnCloseButton();
    void ShowAboutBox();
    bool RefuseWhileUpdating();
    QWidget* ControlOf(int id);

    // Assistive tools and the keyboard (CVantrelDlgAccess.cpp).
    void SetupAccessibility();
    void AnnounceVerifyState();
    void AddUpdateTabStop();

    // Selection (CVantrelDlgSelect.cpp).
    void FillProductList();
    void FillMidiDeviceLists();
    void RefillMidiOutList();
    void RefillMidiInList();
    void OnBrowseDataFile();
    void OnHelpButton();
    //! Fills `list` with the names of `devices` and remembers the devices in `listed`.
    static void FillDeviceList(CMyCombox& list, std::vector<platform::MidiDeviceId>& listed,
                               std::vector<platform::MidiDeviceId> devices);

    // Update run (CVantrelDlgUpdate.cpp).
    void OnUpdate();
    bool PrepareUpdate();
    bool CheckDeviceLists();
    bool CheckDataPath();
    bool LoadFlashBlocks();
    bool RunUpdate();
    bool VerifyData(const std::string& path);
    void FinishUpdate();
    bool CheckList(CMyCombox& list, const char* emptyText, const char* noSelectionText);
    void ShowRunningLook(bool running);
    void KeepAwake();

    // Keeps the computer awake while the ports are open; outlives them.
    std::optional<platform::SleepInhibitor> m_sleepInhibitor;
    CMidiPort m_midiPort;
    CToolTipCtrl m_toolTip;
    int m_bUpdating = 0;
    bool m_runUnderWay = false;  // from the Update command to its result
    // The one of UPDATE and Verify that had the keyboard focus when the run
    // hid them; it gets it back when the run ends.
    QPointer<QWidget> m_focusBeforeRun;
    QBrush m_brHollow{Qt::NoBrush};
    platform::ScaledBitmap m_bmpBackground;
    std::list<std::uint32_t> m_flashBlocks;
    QIcon m_hAppIcon;
    QCursor m_hHandCursor;
    bool m_handCursorLoaded = false;
    CMyCombox m_cbProduct;
    CMyCombox m_cbMidiOut;
    CMyCombox m_cbMidiIn;
    // The devices behind the entries of the MIDI lists, in list order: an
    // update opens the device the user picked, wherever it stands by then.
    std::vector<platform::MidiDeviceId> m_midiOutDevices;
    std::vector<platform::MidiDeviceId> m_midiInDevices;
    CMyButton m_btnBrowse;
    CMyButton m_btnHelp;
    CMyButton m_btnMinimize;
    CMyButton m_btnClose;
    CMyButton m_chkVerify;
    CTranEdit m_editDataPath;
    CCylinderProgressCtrlST m_progress;
    CMyGroupbox m_grpStep1;
    CMyGroupbox m_grpStep3;
    CMyGroupbox m_grpStep4;
    CMyGroupbox m_grpStep2;
    CPictureStatic m_stcUpdate;

    bool m_dragging = false;
    QPoint m_dragOffset;  // from the window's top-left corner to the grab point
};
