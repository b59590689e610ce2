#pragma once

#include <QDialog>
#include <QWidget>

#include <string>

class QTabWidget;

namespace qv {

// The process priority names of the settings' priority classes.
std::string PriorityName(int priorityClass);   // "" for an unknown class
int PriorityFromName(const std::string& name); // 32 for an unknown name

// Threads, process priority and the snapshot folder.
class COptionsPgGeneral : public QWidget {
    Q_OBJECT
public:
    enum : int {
        IDC_SINGLE = 1049,
        IDC_MULTI = 1050,
        IDC_PRIORITY = 1044,
        IDC_SNAPSHOT = 1011,
        IDC_BROWSE = 1039
    };
    COptionsPgGeneral(bool multiThread, const std::string& priorityName,
                      const std::string& snapshotDir, QWidget* parent = nullptr);
    void KillActive(); // takes the controls' values

    bool multiThread;
    std::string priorityName;
    std::string snapshotDir;

private:
    void Browse();
};

// The preview's video driver and the fitting of the converted picture.
class COptionsPgVideo : public QWidget {
    Q_OBJECT
public:
    enum : int {
        IDC_D3D = 1051,
        IDC_GL2 = 1052,
        IDC_GL = 1053,
        IDC_FIT_WIDTH = 1061,
        IDC_FIT_HEIGHT = 1062,
        IDC_EXPAND = 1020,
        IDC_ROUND16 = 1021
    };
    COptionsPgVideo(int videoDriver, bool fitWidth, bool fitHeight, bool expand, bool round16,
                    QWidget* parent = nullptr);
    void KillActive();

    int videoDriver;
    bool fitWidth, fitHeight, expand, round16;

private:
    void FitClicked(int id);
};

// The options dialog: the two pages on tabs.
class CConvOptionsDlg : public QDialog {
    Q_OBJECT
public:
    CConvOptionsDlg(COptionsPgGeneral* general, COptionsPgVideo* video, QWidget* parent = nullptr);
    void accept() override;

private:
    QTabWidget* sheet_;
    int active_ = 0;
};

} // namespace qv
