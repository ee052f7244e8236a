#pragma once
// The About window: the program's name, version and credits, and a button that
// starts the system's information program.
#include <QDialog>

class QLabel;
class QGroupBox;
class QPushButton;
class QWidget;

namespace about {
class RegistryApi;
}

class frmAbout : public QDialog
{
    Q_OBJECT

public:
    // Reads the running system's registry (see about/systemregistry.h).
    explicit frmAbout(QWidget *parent = nullptr);
    // Reads the given registry instead, which must outlive the window.
    explicit frmAbout(about::RegistryApi &registry, QWidget *parent = nullptr);

    // Starts the system-information program, or shows why it cannot.
    void StartSysInfo();

public slots:
    // Escape and the title bar's close button unload the window as "OK" does.
    void reject() override;

private slots:
    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    void build();

    about::RegistryApi *m_registry = nullptr; // null: the system's, looked up at each use

    QLabel *Label2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *imgLogo = nullptr;
    QWidget *Line1 = nullptr;
    QLabel *lblVersion = nullptr;
    QGroupBox *Frame1 = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QLabel *lblDisclaimer = nullptr;
};
