// The main window over a real service in a temporary folder: titles, menus
// and tool bar, the listener's lines, closing only with the administrator
// password, a listener that cannot be activated; and the NorvikDoorLock
// program itself, started offscreen, serving a card request.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "AboutFormUnit.h"
#include "CheckPasswordFormUnit.h"
#include "ClientMdb.h"
#include "DoorlockServiceUnit.h"
#include "DoorlockTestFormUnit.h"
#include "EncoderSimulator.h"
#include "MainFormUnit.h"
#include "OptionFormUnit.h"
#include "ServiceTestSupport.h"
#include "WindowTestSupport.h"

namespace {

const QString kStartLine = QStringLiteral("门锁接口监听服务器已经启动...");
const std::string kReadCard = Framed(R"(<DoorRequest type="ReadCard"/>)");

// Answers the password prompt that the next close (or action) shows.
void AnswerPrompt(const QString &password)
{
    WhenModal<TCheckPasswordForm>([password](TCheckPasswordForm *form) {
        form->edtPswd->setText(password);
        form->btnOK->click();
        if (form->isVisible())
            form->btnCancel->click(); // refused: the operator gives up
    });
}

sockaddr_in LocalAddress(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Someone listens on port (closed connections waiting out their time do not count).
bool PortTaken(uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address = LocalAddress(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    const bool taken = bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0;
    close(fd);
    return taken;
}

// A connection to port is accepted.
bool Accepts(uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = LocalAddress(port);
    const bool accepted = connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return accepted;
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private:
    // A service in a folder of its own, listening on port (0: any free one).
    std::unique_ptr<TDoorlockService> NewService(TTempDir &dir, int port)
    {
        WriteOptionIni(dir.Path(), {{"SysOption", {"DoorlockPortNo=" + std::to_string(port)}}});
        return std::make_unique<TDoorlockService>(dir.Path());
    }

    // The service answers a read request (no encoder here: "500").
    static bool Serves(uint16_t port)
    {
        const TExchange exchange = Exchange(port, kReadCard, std::chrono::seconds(10));
        return AnswerField(exchange.Received, "ResultMessage") == "读卡失败";
    }

    TUnexpectedMessages Unexpected_;

private slots:
    void initTestCase()
    {
        // COM1 leads nowhere: card operations fail at once.
        qputenv("EN24_COM1", "/nonexistent/com1");
    }

    void init() { Unexpected_.Start(); }
    void cleanup() { VERIFY_NO_UNEXPECTED_MESSAGES(Unexpected_); }

    void layout()
    {
        TTempDir dir;
        auto service = NewService(dir, 0);
        TMainForm form(*service);
        QCOMPARE(form.windowTitle(), QStringLiteral("Kelvane门锁接口"));
        QCOMPARE(QApplication::applicationDisplayName(), QStringLiteral("Kelvane门锁接口"));
        QCOMPARE(form.size(), QSize(873, 500));
        for (const char *name : {"MainMenu", "ToolBar", "InfoMemo", "StatusBar", "ExitAction",
                                 "OptionAction", "ChangePasswordAction", "AboutAction", "TestAction"})
            QVERIFY2(form.findChild<QObject *>(QLatin1String(name)) != nullptr, name);

        const QList<QAction *> menus = form.MainMenu->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->text(), QStringLiteral("文件(&F)"));
        QCOMPARE(menus[1]->text(), QStringLiteral("工具(&T)"));
        QCOMPARE(menus[2]->text(), QStringLiteral("帮助(&H)"));
        QCOMPARE(menus[0]->menu()->actions(), QList<QAction *>{form.ExitAction});
        const QList<QAction *> tools = menus[1]->menu()->actions();
        QCOMPARE(tools.size(), 4);
        QCOMPARE(tools[0], form.OptionAction);
        QCOMPARE(tools[1], form.TestAction);
        QVERIFY(tools[2]->isSeparator());
        QCOMPARE(tools[3], form.ChangePasswordAction);
        QCOMPARE(menus[2]->menu()->actions(), QList<QAction *>{form.AboutAction});

        QCOMPARE(form.ExitAction->text(), QStringLiteral("退出(&X)"));
        QCOMPARE(form.OptionAction->text(), QStringLiteral("选项(&O)..."));
        QCOMPARE(form.ChangePasswordAction->text(), QStringLiteral("更改管理员密码(&C)"));
        QCOMPARE(form.AboutAction->text(), QStringLiteral("关于(&A)..."));
        QCOMPARE(form.TestAction->text(), QStringLiteral("测试(&T)"));
        QVERIFY(form.TestAction->icon().isNull());
        QVERIFY(!form.ExitAction->icon().isNull());

        const QList<QAction *> buttons = form.ToolBar->actions();
        QCOMPARE(buttons.size(), 6);
        QCOMPARE(buttons[0], form.OptionAction);
        QCOMPARE(buttons[1], form.ChangePasswordAction);
        QVERIFY(buttons[2]->isSeparator());
        QCOMPARE(buttons[3], form.AboutAction);
        QVERIFY(buttons[4]->isSeparator());
        QCOMPARE(buttons[5], form.ExitAction);
        QCOMPARE(form.ToolBar->widgetForAction(form.AboutAction)->objectName(),
                 QStringLiteral("HelpButton"));
        QCOMPARE(form.ToolBar->height(), 25);

        QCOMPARE(form.InfoMemo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(form.InfoMemo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(!form.InfoMemo->isReadOnly());
        QCOMPARE(form.StatusBar->height(), 21);
    }

    void listensOnTheConfiguredPort()
    {
        if (PortTaken(9000))
            QSKIP("port 9000 is in use on this machine");
        TTempDir dir;
        auto service = NewService(dir, 9000);
        TMainForm form(*service);
        form.show();
        QVERIFY(service->Listening());
        QCOMPARE(service->ListeningPort(), uint16_t(9000));
        QCOMPARE(form.InfoMemo->toPlainText(), kStartLine);
        QVERIFY(Serves(9000));
    }

    // Every way of closing asks for the password; a wrong one keeps the
    // window open and the listener serving.
    void closeOnlyWithThePassword_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("退出 action") << 0;
        QTest::newRow("close button") << 1;
        QTest::newRow("system close") << 2;
    }

    void closeOnlyWithThePassword()
    {
        QFETCH(int, way);
        TTempDir dir;
        auto service = NewService(dir, 0);
        auto form = std::make_unique<TMainForm>(*service);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const uint16_t port = service->ListeningPort();
        auto tryClose = [&form, way] {
            switch (way) {
            case 0: form->ExitAction->trigger(); break;
            case 1: form->close(); break;
            default: form->windowHandle()->close(); break;
            }
        };

        TMessageRecorder recorder;
        AnswerPrompt(QStringLiteral("QEMBAR"));
        tryClose();
        QCOMPARE(recorder.Messages.size(), size_t(1));
        QCOMPARE(recorder.Messages[0].Text, QStringLiteral("密码错误 ！"));
        QVERIFY(form->isVisible());
        QVERIFY(service->Listening());
        QVERIFY(Serves(port));

        AnswerPrompt(QStringLiteral("qembar"));
        tryClose();
        QVERIFY(!form->isVisible());
        QString memo;
        connect(form->InfoMemo, &QPlainTextEdit::textChanged, form->InfoMemo,
                [&memo, edit = form->InfoMemo] { memo = edit->toPlainText(); });
        form.reset(); // the window goes: the listener stops, then the memo says so
        QVERIFY(!service->Listening());
        QVERIFY(!Accepts(port));
        QCOMPARE(memo, kStartLine + QStringLiteral("\n接口监听服务器已经停止。"));
    }

    void busyPortReportedAndWindowOpensAnyway()
    {
        TTempDir firstDir;
        auto first = NewService(firstDir, 0);
        first->StartListener([](const std::string &) {});
        const uint16_t port = first->ListeningPort();

        TTempDir secondDir;
        auto second = NewService(secondDir, port);
        TMessageRecorder recorder;
        TMainForm form(*second);
        form.show();
        QTRY_COMPARE(recorder.Messages.size(), size_t(1));
        QCOMPARE(recorder.Messages[0].Icon, QMessageBox::Critical);
        QVERIFY(!recorder.Messages[0].Text.isEmpty());
        QVERIFY(form.isVisible());
        QCOMPARE(form.InfoMemo->toPlainText(), kStartLine);
        QVERIFY(!second->Listening());
        QVERIFY(Serves(port)); // the first instance goes on serving
        first->StopListener([](const std::string &) {});
    }

    void actionsOpenTheirWindows()
    {
        TTempDir dir;
        auto service = NewService(dir, 0);
        TMainForm form(*service);
        form.show();
        TMessageRecorder recorder;

        // Options and password change only after the password.
        AnswerPrompt(QStringLiteral("wrong"));
        form.OptionAction->trigger();
        AnswerPrompt(QStringLiteral("wrong"));
        form.ChangePasswordAction->trigger();
        QCOMPARE(recorder.Messages.size(), size_t(2));

        bool optionsShown = false;
        AnswerPrompt(QStringLiteral("qembar"));
        WhenModal<TOptionForm>([&optionsShown](TOptionForm *options) {
            optionsShown = options->windowTitle() == QStringLiteral("修改门锁参数");
            options->CancelBtn->click();
        });
        form.OptionAction->trigger();
        QVERIFY(optionsShown);

        // The test window needs no password.
        bool testShown = false;
        WhenModal<TDoorlockTestForm>([&testShown](TDoorlockTestForm *test) {
            testShown = true;
            test->close();
        });
        form.TestAction->trigger();
        QVERIFY(testShown);

        QString aboutCaption;
        QString aboutVersion;
        WhenModal<TAboutForm>([&](TAboutForm *about) {
            aboutCaption = about->windowTitle();
            aboutVersion = about->lblVersion->text();
            about->btnOK->click();
        });
        form.AboutAction->trigger();
        QCOMPARE(aboutCaption, QStringLiteral("关于 Kelvane门锁接口"));
        QCOMPARE(aboutVersion, QStringLiteral("版本 1.0.0.0"));
        QCOMPARE(recorder.Messages.size(), size_t(2));
    }

    void aboutBox_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("title");
        QTest::newRow("door lock") << 1 << "关于 Kelvane门锁接口" << "Kelvane门锁接口";
        QTest::newRow("police") << 2 << "关于 Kelvane公安接口" << "Kelvane公安接口";
        QTest::newRow("member card") << 3 << "关于 Kelvane会员卡接口" << "Kelvane会员卡接口";
        QTest::newRow("no mode") << 0 << "关于..." << "";
    }

    void aboutBox()
    {
        QFETCH(int, mode);
        QFETCH(QString, caption);
        QFETCH(QString, title);
        TAboutForm about(mode);
        QCOMPARE(about.windowTitle(), caption);
        QCOMPARE(about.lblAppTitle->text(), title);
        QCOMPARE(about.lblVersion->text(), QStringLiteral("版本 1.0.0.0"));
        QVERIFY(!about.lblDescription->text().isEmpty() && !about.lblCopyright->text().isEmpty());
        QCOMPARE(about.size(), QSize(413, 262));
        QCOMPARE(about.font().family(), QStringLiteral("宋体"));
        QCOMPARE(about.font().pointSize(), 9);
        QVERIFY(about.btnOK->isDefault());
        for (const char *name : {"Image1", "lblAppTitle", "lblVersion", "mmo", "btnOK"})
            QVERIFY2(about.findChild<QWidget *>(QLatin1String(name)) != nullptr, name);
        QVERIFY(!about.mmo->isEnabled());
        QVERIFY(about.mmo->toPlainText().isEmpty());
        QCOMPARE(about.mmo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(about.btnOK->text(), QStringLiteral("确定(&O)"));
        about.show();
        about.btnOK->click();
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    // The program as installed: beside it libEN24_C1.so, Option.ini and
    // Client.mdb; the encoder simulator on COM1.
    void programServesTheWorkedExample()
    {
        TTempDir dir;
        const QString binDir = QCoreApplication::applicationDirPath() + QStringLiteral("/");
        const QString programDir = QString::fromStdString(dir.Path());
        for (const QString &file : QDir(binDir).entryList({QStringLiteral("NorvikDoorLock"),
                                                           QStringLiteral("libEN24_C1.so*")}))
            QVERIFY(QFile::copy(binDir + file, programDir + file));
        QFile::setPermissions(programDir + QStringLiteral("NorvikDoorLock"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        CreateClientMdb(dir.Path() + "Client.mdb");
        const uint16_t port = FreePort();
        WriteOptionIni(dir.Path(), {{"SysOption", {"DoorlockPortNo=" + std::to_string(port)}},
                                    {"DoorlockOption", {"HotelID=1", "CurrentCardNo=1234"}}});
        en24sim::EncoderSimulator encoder(dir.Path() + "com1");
        encoder.PutCard({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("EN24_COM1"), QString::fromStdString(dir.Path() + "com1"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(programDir + QStringLiteral("NorvikDoorLock"), {});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(Accepts(port), 10000);

        const TExchange exchange = Exchange(port, Framed(IssueCardRequest()));
        QCOMPARE(QString::fromStdString(exchange.Received),
                 QStringLiteral("<DoorResponse><RequestID></RequestID><ResultCode>200</ResultCode>"
                                "<ResultMessage>发卡成功</ResultMessage><CardNo>1235</CardNo>"
                                "</DoorResponse>") + QChar(0));
        QVERIFY(exchange.Closed);
        QCOMPARE(program.state(), QProcess::Running); // the window is still open
        program.kill();
        QVERIFY(program.waitForFinished());
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
