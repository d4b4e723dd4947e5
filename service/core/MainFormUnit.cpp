#include "MainFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <exception>

#include "AboutFormUnit.h"
#include "BaseDoorlockUnit.h"
#include "ChangePasswordFormUnit.h"
#include "CheckPasswordFormUnit.h"
#include "DoorlockServiceUnit.h"
#include "DoorlockTestFormUnit.h"
#include "InterfaceModeUnit.h"
#include "MessageBoxUnit.h"
#include "NorvikDoorLockUnit.h"
#include "OptionFormUnit.h"
#include "WindowFontUnit.h"
#include "WindowImagesUnit.h"

TMainForm::TMainForm(TDoorlockService &service, QWidget *parent)
    : QMainWindow(parent), Service_(service)
{
    setObjectName(QStringLiteral("MainForm"));
    setFont(SongTiFont());
    QApplication::setWindowIcon(QIcon(LockCardPicture(64)));
    resize(873, 500);
    if (const QScreen *screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    CreateActions();
    CreateMenusAndToolBar();

    InfoMemo = new QPlainTextEdit(this);
    InfoMemo->setObjectName(QStringLiteral("InfoMemo"));
    InfoMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    InfoMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCentralWidget(InfoMemo);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(21);
    setStatusBar(StatusBar);

    // The lock driver's option dialog is a window: the driver reaches it here.
    Service_.NorvikDoorLock().OnShowOptions = [this] {
        ShowOptionForm(this, Service_.State().Option, &Service_.CardOperationLock());
    };

    FormCreate();
}

TMainForm::~TMainForm()
{
    FormDestroy();
}

void TMainForm::CreateActions()
{
    // The tool bar's pictures, by index: 0 options, 1 password, 2 about, 3 exit.
    const QIcon images[] = {style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                            QIcon(KeyPicture(32)),
                            style()->standardIcon(QStyle::SP_MessageBoxInformation),
                            style()->standardIcon(QStyle::SP_DialogCloseButton)};
    auto action = [this](const QString &caption, const char *name) {
        auto *created = new QAction(caption, this);
        created->setObjectName(QLatin1String(name));
        return created;
    };
    ExitAction = action(QStringLiteral("退出(&X)"), "ExitAction");
    ExitAction->setIcon(images[3]);
    OptionAction = action(QStringLiteral("选项(&O)..."), "OptionAction");
    OptionAction->setIcon(images[0]);
    ChangePasswordAction = action(QStringLiteral("更改管理员密码(&C)"), "ChangePasswordAction");
    ChangePasswordAction->setIcon(images[1]);
    AboutAction = action(QStringLiteral("关于(&A)..."), "AboutAction");
    AboutAction->setIcon(images[2]);
    TestAction = action(QStringLiteral("测试(&T)"), "TestAction");

    connect(ExitAction, &QAction::triggered, this, &TMainForm::ExitActionExecute);
    connect(OptionAction, &QAction::triggered, this, &TMainForm::OptionActionExecute);
    connect(ChangePasswordAction, &QAction::triggered, this,
            &TMainForm::ChangePasswordActionExecute);
    connect(AboutAction, &QAction::triggered, this, &TMainForm::AboutActionExecute);
    connect(TestAction, &QAction::triggered, this, &TMainForm::TestActionExecute);
}

void TMainForm::CreateMenusAndToolBar()
{
    MainMenu = menuBar();
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    QMenu *fileMenu = MainMenu->addMenu(QStringLiteral("文件(&F)"));
    fileMenu->addAction(ExitAction);
    QMenu *toolsMenu = MainMenu->addMenu(QStringLiteral("工具(&T)"));
    toolsMenu->addAction(OptionAction);
    toolsMenu->addAction(TestAction);
    toolsMenu->addSeparator();
    toolsMenu->addAction(ChangePasswordAction);
    QMenu *helpMenu = MainMenu->addMenu(QStringLiteral("帮助(&H)"));
    helpMenu->addAction(AboutAction);

    ToolBar = addToolBar(QStringLiteral("ToolBar"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setFixedHeight(25);
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar->addAction(OptionAction);
    ToolBar->addAction(ChangePasswordAction);
    ToolBar->addSeparator();
    ToolBar->addAction(AboutAction);
    ToolBar->widgetForAction(AboutAction)->setObjectName(QStringLiteral("HelpButton"));
    ToolBar->addSeparator();
    ToolBar->addAction(ExitAction);
    for (QAction *shown : ToolBar->actions())
        if (auto *button = qobject_cast<QToolButton *>(ToolBar->widgetForAction(shown)))
            button->setAutoRaise(true); // flat
}

void TMainForm::FormCreate()
{
    // Date texts are read with the fixed settings of the service already
    // (DateTimeUnit), whatever the desktop's regional settings say.
    const QString title = InterfaceTitle(InterfaceMode());
    if (!title.isEmpty()) {
        QApplication::setApplicationName(title);
        setWindowTitle(title);
    }
    StartListener();
}

void TMainForm::FormDestroy()
{
    StopListener();
    Service_.NorvikDoorLock().OnShowOptions = nullptr;
}

void TMainForm::StartListener()
{
    try {
        Service_.StartListener([this](const std::string &line) { AppendInfo(line); });
    } catch (const std::exception &e) {
        // Shown once the window is up; it opens all the same, without listening.
        ListenerFailure_ = FromUtf8(e.what());
        QTimer::singleShot(0, this, [this] { ShowErrorBox(this, ListenerFailure_); });
    }
}

void TMainForm::StopListener()
{
    Service_.StopListener([this](const std::string &line) { AppendInfo(line); });
}

void TMainForm::AppendInfo(const std::string &line)
{
    InfoMemo->appendPlainText(FromUtf8(line));
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // Closing stops the service: only with the administrator password. A
    // refused or cancelled prompt leaves the window and the listener running.
    if (CheckAdminPassword(this, Service_.State().SysOption))
        event->accept();
    else
        event->ignore();
}

void TMainForm::ExitActionExecute()
{
    close();
}

void TMainForm::OptionActionExecute()
{
    if (!CheckAdminPassword(this, Service_.State().SysOption))
        return;
    if (InterfaceMode() == DoorlockInterfaceMode && Service_.CurrentDoorlock() != nullptr)
        Service_.CurrentDoorlock()->ShowOptions();
}

void TMainForm::ChangePasswordActionExecute()
{
    if (CheckAdminPassword(this, Service_.State().SysOption))
        ChangeAdminPassword(this, Service_.State().SysOption);
}

void TMainForm::AboutActionExecute()
{
    ShowAboutBox(InterfaceMode());
}

void TMainForm::TestActionExecute()
{
    if (InterfaceMode() == DoorlockInterfaceMode && Service_.CurrentDoorlock() != nullptr)
        ShowDoorlockTestForm(*Service_.CurrentDoorlock(), Service_.State(),
                             Service_.CardOperationLock());
}

int RunInterface(QApplication &application, TDoorlockService &service)
{
    SetInterfaceMode(DoorlockInterfaceMode);
    TMainForm form(service);
    form.show();
    return application.exec();
}
