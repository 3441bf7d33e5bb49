#include "CVantrelDlg.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "CAboutDlg.h"
#include "ColorMath.h"
#include "DialogTemplate.h"
#include "DrawBitmap.h"
#include "QtColor.h"
#include "Resources.h"
#include "UserMessage.h"

namespace {

// Resource numbers of the window.
constexpr int IDD_MAIN = 102;
constexpr int IDR_MAINFRAME = 128;
constexpr int IDC_HAND = 151;
constexpr int IDB_SKIN = 149;
constexpr int IDB_UPDATE = 150;
constexpr int IDS_TITLE = 102;

// Control ids of the template.
constexpr int IDC_MINIMIZE = 1000;
constexpr int IDC_CLOSE = 1001;
constexpr int IDC_MIDI_OUT = 1002;
constexpr int IDC_MIDI_IN = 1003;
constexpr int IDC_PRODUCT = 1004;
constexpr int IDC_PROGRESS = 1007;
constexpr int IDC_STEP1 = 1008;
constexpr int IDC_STEP3 = 1009;
constexpr int IDC_STEP4 = 1010;
constexpr int IDC_DATA_PATH = 1011;
constexpr int IDC_BROWSE = 1012;
constexpr int IDC_VERIFY = 1013;
constexpr int IDC_HELP = 1015;
constexpr int IDC_STEP2 = 1016;
constexpr int IDC_UPDATE = 1017;

// Button styles of the template, as the buttons take them.
constexpr std::uint32_t BS_PUSHBUTTON = 0;
constexpr std::uint32_t BS_AUTOCHECKBOX = 3;

// Pen width of the window frame.
constexpr int kFrameWidth = 2;
// Offset by which the progress bar's fill colour is lightened from the highlight colour.
constexpr std::int16_t kFillLighten = 100;

// The six tools and their strings.
struct ToolTipEntry {
    int controlId;
    int stringId;
};
constexpr ToolTipEntry kToolTips[] = {
    {IDC_CLOSE, 104}, {IDC_MINIMIZE, 103}, {IDC_BROWSE, 107}, {IDC_UPDATE, 108}, {IDC_VERIFY, 105}, {IDC_HELP, 109},
};

// Window-menu commands other than the about box.
constexpr unsigned SC_MINIMIZE = 0xF020;
constexpr unsigned SC_CLOSE = 0xF060;
constexpr unsigned SC_RESTORE = 0xF120;

QRect ToQRect(const DialogTemplate::Rect& r) { return QRect(r.x, r.y, r.width, r.height); }

}  // namespace

CVantrelDlg::CVantrelDlg(QWidget* parent) : QDialog(parent)
{
    m_hAppIcon = platform::LoadIconResource(IDR_MAINFRAME);
    m_hHandCursor = platform::LoadCursorResource(IDC_HAND, &m_handCursorLoaded, devicePixelRatioF());
    m_bmpBackground = platform::ScaledBitmap::Load(IDB_SKIN);
    m_bUpdating = 0;
    CreateControls();
    DoDataExchange();
    OnInitDialog();
}

CVantrelDlg::~CVantrelDlg() = default;

QWidget* CVantrelDlg::GetDlgItem(int id) const { return const_cast<CVantrelDlg*>(this)->ControlOf(id); }

QWidget* CVantrelDlg::ControlOf(int id)
{
    switch (id) {
    case IDC_MINIMIZE: return &m_btnMinimize;
    case IDC_CLOSE: return &m_btnClose;
    case IDC_MIDI_OUT: return &m_cbMidiOut;
    case IDC_MIDI_IN: return &m_cbMidiIn;
    case IDC_PRODUCT: return &m_cbProduct;
    case IDC_PROGRESS: return &m_progress;
    case IDC_STEP1: return &m_grpStep1;
    case IDC_STEP3: return &m_grpStep3;
    case IDC_STEP4: return &m_grpStep4;
    case IDC_DATA_PATH: return &m_editDataPath;
    case IDC_BROWSE: return &m_btnBrowse;
    case IDC_VERIFY: return &m_chkVerify;
    case IDC_HELP: return &m_btnHelp;
    case IDC_STEP2: return &m_grpStep2;
    case IDC_UPDATE: return &m_stcUpdate;
    default: return nullptr;
    }
}

void CVantrelDlg::CreateControls()
{
    const DialogTemplate::Template& t = DialogTemplate::MainDialog();
    setObjectName(QString::number(IDD_MAIN));
    // Pop-up without caption or border, with its own taskbar button.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    QFont font(QString::fromStdString(t.fontFace));
    font.setPointSize(t.fontPoints);
    font.setWeight(t.fontWeight >= 700 ? QFont::Bold : QFont::Normal);
    setFont(font);
    setFixedSize(ToQRect(DialogTemplate::MainWindowRect()).size());

    for (const DialogTemplate::Item& item : t.items) {
        QWidget* control = ControlOf(item.id);
        if (control == nullptr) {
            // The template's labels: hidden for good, the skin paints their texts.
            auto* label = new QLabel(QString::fromStdString(item.text), this);
            control = label;
        }
        control->setParent(this);
        control->setGeometry(ToQRect(DialogTemplate::MainControlRect(item)));
        // A tab stop keeps its own way of taking the focus by mouse: the path
        // field takes it itself, so that its first click only selects.
        control->setFocusPolicy(item.tabStop ? Qt::FocusPolicy(control->focusPolicy() | Qt::TabFocus) : Qt::NoFocus);
        control->setVisible(item.visible);
        if (auto* group = qobject_cast<CMyGroupbox*>(control))
            group->SetWindowText(QString::fromStdString(item.text));
        if (auto* combo = qobject_cast<CMyCombox*>(control))
            combo->SetDroppedHeight(DialogTemplate::MainDroppedHeight(item));
    }
    m_chkVerify.PreSubclassWindow(BS_AUTOCHECKBOX);
    for (CMyButton* button : {&m_btnBrowse, &m_btnHelp, &m_btnMinimize, &m_btnClose})
        button->PreSubclassWindow(BS_PUSHBUTTON);
    m_stcUpdate.SetBitmap(platform::ScaledBitmap::Load(IDB_UPDATE));
    SetTabOrder();
    AddUpdateTabStop();
}

void CVantrelDlg::DoDataExchange()
{
    // Each control answers to its template id, so tools and tests can find it by name.
    for (int id : {IDC_MINIMIZE, IDC_CLOSE, IDC_MIDI_OUT, IDC_MIDI_IN, IDC_PROGRESS, IDC_STEP1, IDC_STEP3, IDC_STEP4,
                   IDC_STEP2, IDC_BROWSE, IDC_DATA_PATH, IDC_VERIFY, IDC_HELP, IDC_PRODUCT, IDC_UPDATE})
        ControlOf(id)->setObjectName(QString::number(id));
}

void CVantrelDlg::SetTabOrder()
{
    QWidget* previous = nullptr;
    for (const DialogTemplate::Item& item : DialogTemplate::MainDialog().items) {
        QWidget* control = ControlOf(item.id);
        if (control == nullptr || !item.tabStop)
            continue;
        if (previous != nullptr)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

void CVantrelDlg::OnInitDialog()
{
    SetupWindow();
    SetupToolTips();
    SetupControls();
    SetupAccessibility();
    ConnectHandlers();
    FillMidiDeviceLists();
    FillProductList();
    // The first visible tab stop takes the focus.
    m_btnMinimize.setFocus(Qt::OtherFocusReason);
}

void CVantrelDlg::SetupWindow()
{
    setWindowIcon(m_hAppIcon);
    setWindowTitle(platform::LoadStringResource(IDS_TITLE));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void CVantrelDlg::SetupToolTips()
{
    m_toolTip.SetTipBkColor(kWhiteColor);
    m_toolTip.SetTipTextColor(kTextColor);
    m_toolTip.Activate(true);
    for (const ToolTipEntry& entry : kToolTips)
        m_toolTip.AddTool(ControlOf(entry.controlId), platform::LoadStringResource(entry.stringId));
}

void CVantrelDlg::SetupControls()
{
    m_btnHelp.SetImages(146, 145);
    m_btnHelp.SetBorderVisible(false, false);
    m_btnHelp.SetTransparent(false);
    m_btnClose.SetImages(132, 133);
    m_btnClose.SetBorderVisible(false, false);
    m_btnClose.SetTransparent(false);
    m_btnMinimize.SetImages(131, 130);
    m_btnMinimize.SetBorderVisible(false, false);
    m_btnMinimize.SetTransparent(false);
    m_btnBrowse.SetImages(140, 139);
    m_btnBrowse.SetImageAlignment(1, false);
    m_chkVerify.SetImages(136, 137);
    m_chkVerify.SetChecked(true, false);
    m_editDataPath.m_slideEnabled = false;
    for (CMyGroupbox* group : {&m_grpStep1, &m_grpStep3, &m_grpStep4, &m_grpStep2}) {
        group->m_textColor = kTextColor;
        group->m_frameColor = kHighlightColor;
    }
    m_progress.SetShowLabel(true, true);
    m_progress.SetEmptyColor(ToArgb(kHighlightColor), true);
    m_progress.SetFillColor(ToArgb(ShiftColor(kHighlightColor, kFillLighten)), true);
    m_progress.SetTransparent(false);
    ApplyTextColors();
    if (m_handCursorLoaded)
        m_stcUpdate.setCursor(m_hHandCursor);
}

void CVantrelDlg::ApplyTextColors()
{
    // Edit fields and lists write in the skin's text colour.
    for (QWidget* control : std::initializer_list<QWidget*>{&m_editDataPath, &m_cbProduct, &m_cbMidiOut, &m_cbMidiIn}) {
        QPalette palette = control->palette();
        palette.setColor(QPalette::Text, ToQColor(kTextColor));
        control->setPalette(palette);
    }
    for (CMyCombox* list : {&m_cbProduct, &m_cbMidiOut, &m_cbMidiIn}) {
        QPalette palette = list->view()->palette();
        palette.setColor(QPalette::Text, ToQColor(kTextColor));
        list->view()->setPalette(palette);
    }
}

void CVantrelDlg::ConnectHandlers()
{
    connect(&m_btnMinimize, &QAbstractButton::clicked, this, &CVantrelDlg::OnMinimizeButton);
    connect(&m_btnClose, &QAbstractButton::clicked, this, &CVantrelDlg::OnCloseButton);
    connect(&m_btnBrowse, &QAbstractButton::clicked, this, &CVantrelDlg::OnBrowseDataFile);
    connect(&m_btnHelp, &QAbstractButton::clicked, this, &CVantrelDlg::OnHelpButton);
    connect(&m_cbMidiIn, &CMyCombox::dropDown, this, &CVantrelDlg::RefillMidiInList);
    connect(&m_cbMidiOut, &CMyCombox::dropDown, this, &CVantrelDlg::RefillMidiOutList);
    connect(&m_stcUpdate, &CPictureStatic::clicked, this, &CVantrelDlg::OnUpdate);
}

void CVantrelDlg::OnSysCommand(unsigned id)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        ShowAboutBox();
        return;
    }
    switch (id & 0xFFF0) {
    case SC_MINIMIZE: showMinimized(); break;
    case SC_RESTORE: showNormal(); break;
    case SC_CLOSE: close(); break;
    default: break;
    }
}

void CVantrelDlg::ShowAboutBox()
{
    CAboutDlg about(this);
    about.exec();
}

void CVantrelDlg::OnMinimizeButton() { showMinimized(); }

void CVantrelDlg::OnCloseButton()
{
    if (RefuseWhileUpdating())
        return;
    done(0);
}

bool CVantrelDlg::RefuseWhileUpdating()
{
    if (m_bUpdating == 0)
        return false;
    platform::ShowMessage("Please wait till the update finish");
    return true;
}

void CVantrelDlg::reject()
{
    // Ending the dialog mid-run would leave the run writing through a destroyed
    // window. The window manager's close request ends up here as well.
    if (RefuseWhileUpdating())
        return;
    QDialog::reject();
}

void CVantrelDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect client = rect();
    // The skin is copied one to one from the top-left corner, never stretched.
    DrawBitmap(&painter, 0, 0, client.width(), client.height(), m_bmpBackground, 0, 0, SRCCOPY);
    // A 2-pixel frame along the edges: the pen straddles the line one pixel in.
    QPen pen(ToQColor(kFrameColor), kFrameWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(m_brHollow);
    painter.drawRect(QRectF(1, 1, client.width() - kFrameWidth, client.height() - kFrameWidth));
}

void CVantrelDlg::mousePressEvent(QMouseEvent* event)
{
    // Only the bare background moves the window; controls keep their own clicks.
    if (event->button() == Qt::LeftButton && childAt(event->position().toPoint()) == nullptr) {
        event->accept();
        // The window system moves the window where it can (Wayland lets no
        // program place its own windows); elsewhere the window follows the mouse.
        if (windowHandle() != nullptr && windowHandle()->startSystemMove())
            return;
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CVantrelDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CVantrelDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QDialog::mouseReleaseEvent(event);
}

void CVantrelDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter and Esc reach here only when no control used them: swallowed, so
    // they can neither end the dialog nor press a default button.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
