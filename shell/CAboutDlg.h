#pragma once
// The about box: the program's icon, name and version, and an OK button.
#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    //! Builds the box from its template; shown with exec().
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    //! The template's font, or the closest face this machine has.
    static QFont TemplateFont();

private:
    void CreateControls();
};
