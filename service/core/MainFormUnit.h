// The service's main window: the listener's lines, the administrator
// functions, and closing only with the administrator password.
#pragma once

#include <QMainWindow>
#include <QString>
#include <string>

class QAction;
class QApplication;
class QMenuBar;
class QPlainTextEdit;
class QStatusBar;
class QToolBar;
class TDoorlockService;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Sets the titles and starts the listener; a listener that cannot be
    // activated is reported once the window is up, and the window opens all
    // the same.
    explicit TMainForm(TDoorlockService &service, QWidget *parent = nullptr);
    // Stops the listener.
    ~TMainForm() override;

    QMenuBar *MainMenu;
    QToolBar *ToolBar;
    QPlainTextEdit *InfoMemo;
    QStatusBar *StatusBar;
    QAction *ExitAction;
    QAction *OptionAction;
    QAction *ChangePasswordAction;
    QAction *AboutAction;
    QAction *TestAction;

protected:
    // Every way of closing the window comes here.
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void FormDestroy();
    void StartListener();
    void StopListener();
    void AppendInfo(const std::string &line);
    void ExitActionExecute();
    void OptionActionExecute();
    void ChangePasswordActionExecute();
    void AboutActionExecute();
    void TestActionExecute();
    void CreateActions();
    void CreateMenusAndToolBar();

    TDoorlockService &Service_;
    QString ListenerFailure_;
};

// Sets interface mode 1, shows the main window and runs the program until it
// closes; returns the exit code of the event loop.
int RunInterface(QApplication &application, TDoorlockService &service);
