// The administrator password prompt and the password change dialog.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ChangePasswordFormUnit.h"
#include "CheckPasswordFormUnit.h"
#include "SysOptionUnit.h"
#include "WindowTestSupport.h"

class PasswordFormTest : public QObject, private TOptionFileFixture {
    Q_OBJECT

private:
    TSysOption LoadedSysOption() const
    {
        TSysOption sysOption(OptionFile().toStdString());
        sysOption.Load();
        return sysOption;
    }

private slots:
    void init() { QVERIFY(StartWithoutOptionFile()); }

    void cleanup() { VERIFY_NO_UNEXPECTED_MESSAGES(Unexpected_); }

    void promptLayout()
    {
        TSysOption sysOption = LoadedSysOption();
        TCheckPasswordForm form(sysOption, nullptr);
        QCOMPARE(form.windowTitle(), QStringLiteral("请输入管理员密码"));
        QCOMPARE(form.size(), QSize(306, 140));
        QCOMPARE(form.font().family(), QStringLiteral("宋体"));
        QCOMPARE(form.font().pointSize(), 9);
        VerifyControls(form, {{"Image1", 28, 28, 32, 32, ""},
                              {"Label1", 88, 40, 0, 0, "密码："},
                              {"edtPswd", 128, 36, 153, 20, ""},
                              {"btnOK", 120, 96, 73, 23, "确定"},
                              {"btnCancel", 208, 96, 73, 23, "取消"}});
        QCOMPARE(form.edtPswd->echoMode(), QLineEdit::Password);
        form.edtPswd->setText(QStringLiteral("qembar"));
        QCOMPARE(form.edtPswd->displayText(), QStringLiteral("******"));
        QVERIFY(form.btnOK->isDefault());
        QCOMPARE(NextTabStop(form.edtPswd), form.btnOK);
        QCOMPARE(NextTabStop(form.btnOK), form.btnCancel);
        QCOMPARE(form.Image1->pixmap().size(), QSize(32, 32));
    }

    // What the operator types against what is stored.
    void promptAnswers_data()
    {
        QTest::addColumn<QString>("stored");   // SysOption.Password; "<default>" = no file
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");

        QTest::newRow("default password") << "<default>" << "qembar" << true;
        QTest::newRow("blanks and tab around it") << "<default>" << "  qembar\t " << true;
        QTest::newRow("capitals refused") << "<default>" << "QEMBAR" << false;
        QTest::newRow("blank inside refused") << "<default>" << "qem bar" << false;
        QTest::newRow("empty refused") << "<default>" << "" << false;
        QTest::newRow("stored blanks not trimmed") << " pw " << "pw" << false;
        QTest::newRow("chinese password") << "门锁密码" << " 门锁密码 " << true;
    }

    void promptAnswers()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);

        TSysOption sysOption = LoadedSysOption();
        if (stored != QStringLiteral("<default>"))
            sysOption.Password = stored.toStdString();
        TMessageRecorder recorder;
        TCheckPasswordForm form(sysOption, nullptr);
        form.show();
        form.edtPswd->insert(typed);
        QTest::keyClick(form.edtPswd, Qt::Key_Return); // the default button
        if (accepted) {
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QVERIFY(!form.isVisible());
            QVERIFY(recorder.Messages.empty());
            return;
        }
        // Refused: the box, then the prompt stays with the text still in it.
        QCOMPARE(recorder.Messages.size(), size_t(1));
        QCOMPARE(recorder.Messages[0].Text, QStringLiteral("密码错误 ！"));
        QCOMPARE(recorder.Messages[0].Caption, QStringLiteral("提示"));
        QCOMPARE(recorder.Messages[0].Icon, QMessageBox::Critical);
        QVERIFY(form.isVisible());
        QCOMPARE(form.edtPswd->text(), typed);
        QVERIFY(form.result() != QDialog::Accepted);
        QTest::mouseClick(form.btnCancel, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
    }

    // The real box, as the operator sees it: caption 提示, OK only.
    void realMessageBox()
    {
        TSysOption sysOption = LoadedSysOption();
        TRealMessageBoxes realBoxes;
        TCheckPasswordForm form(sysOption, nullptr);
        form.show();
        form.edtPswd->setText(QStringLiteral("wrong"));
        QString caption;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModal<QMessageBox>([&](QMessageBox *box) {
            caption = box->windowTitle();
            text = box->text();
            buttons = box->standardButtons();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        form.btnOK->click();
        QCOMPARE(caption, QStringLiteral("提示"));
        QCOMPARE(text, QStringLiteral("密码错误 ！"));
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(icon, QMessageBox::Critical);
        QVERIFY(form.isVisible());
    }

    void checkAdminPasswordWrongThenCancel()
    {
        TSysOption sysOption = LoadedSysOption();
        TMessageRecorder recorder;
        WhenModal<TCheckPasswordForm>([](TCheckPasswordForm *form) {
            form->edtPswd->setText(QStringLiteral("wrong"));
            form->btnOK->click();
            form->btnOK->click();
            form->btnCancel->click();
        });
        QVERIFY(!CheckAdminPassword(nullptr, sysOption));
        QCOMPARE(recorder.Messages.size(), size_t(2));
    }

    void checkAdminPasswordRightAfterWrong()
    {
        TSysOption sysOption = LoadedSysOption();
        TMessageRecorder recorder;
        WhenModal<TCheckPasswordForm>([](TCheckPasswordForm *form) {
            form->edtPswd->setText(QStringLiteral("qembar1"));
            form->btnOK->click();
            form->edtPswd->setText(QStringLiteral("qembar"));
            form->btnOK->click();
        });
        QVERIFY(CheckAdminPassword(nullptr, sysOption));
        QCOMPARE(recorder.Messages.size(), size_t(1));
    }

    void checkAdminPasswordEscape()
    {
        TSysOption sysOption = LoadedSysOption();
        WhenModal<TCheckPasswordForm>([](TCheckPasswordForm *form) {
            form->edtPswd->setText(QStringLiteral("qembar"));
            QTest::keyClick(form, Qt::Key_Escape);
        });
        QVERIFY(!CheckAdminPassword(nullptr, sysOption));
    }

    void changeLayout()
    {
        TSysOption sysOption = LoadedSysOption();
        TChangePasswordForm form(sysOption, nullptr);
        QCOMPARE(form.windowTitle(), QStringLiteral("更改管理员密码"));
        QCOMPARE(form.size(), QSize(346, 163));
        QCOMPARE(form.font().family(), QStringLiteral("宋体"));
        QCOMPARE(form.font().pointSize(), 9);
        VerifyControls(form, {{"Image1", 28, 24, 48, 48, ""},
                              {"Label1", 124, 32, 0, 0, "新密码："},
                              {"Label2", 100, 68, 0, 0, "新密码确认："},
                              {"edtPswd", 176, 28, 137, 20, ""},
                              {"edtConfirmPswd", 176, 64, 137, 20, ""},
                              {"btnOK", 154, 116, 73, 23, "确定"},
                              {"btnCancel", 242, 116, 73, 23, "取消"}});
        QVERIFY(!form.btnCancel->isDefault());
        QCOMPARE(form.edtPswd->echoMode(), QLineEdit::Password);
        QCOMPARE(form.edtConfirmPswd->echoMode(), QLineEdit::Password);
        form.edtConfirmPswd->setText(QStringLiteral("ab"));
        QCOMPARE(form.edtConfirmPswd->displayText(), QStringLiteral("**"));
        QVERIFY(form.btnOK->isDefault());
        QCOMPARE(NextTabStop(form.edtPswd), form.edtConfirmPswd);
        QCOMPARE(NextTabStop(form.edtConfirmPswd), form.btnOK);
        QCOMPARE(NextTabStop(form.btnOK), form.btnCancel);
        QCOMPARE(form.Image1->pixmap().size(), QSize(48, 48));
    }

    void changeMismatchKeepsBothTexts_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("different") << "abc" << "abd";
        QTest::newRow("letter case") << "secret" << "Secret";
        QTest::newRow("one empty") << "" << "x";
    }

    void changeMismatchKeepsBothTexts()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        TSysOption sysOption = LoadedSysOption();
        TMessageRecorder recorder;
        TChangePasswordForm form(sysOption, nullptr);
        form.show();
        form.edtPswd->setText(first);
        form.edtConfirmPswd->setText(second);
        QTest::keyClick(form.edtConfirmPswd, Qt::Key_Return);
        QCOMPARE(recorder.Messages.size(), size_t(1));
        QCOMPARE(recorder.Messages[0].Text, QStringLiteral("您两次输入的密码不一致，请重新输入！"));
        QCOMPARE(recorder.Messages[0].Caption, QStringLiteral("提示"));
        QCOMPARE(recorder.Messages[0].Icon, QMessageBox::Critical);
        QVERIFY(form.isVisible());
        QCOMPARE(form.edtPswd->text(), first);
        QCOMPARE(form.edtConfirmPswd->text(), second);
        QCOMPARE(sysOption.Password, std::string("qembar"));
        QVERIFY(!QFile::exists(OptionFile()));
    }

    void changeWritesAllNineKeys()
    {
        TSysOption sysOption = LoadedSysOption();
        sysOption.DoorlockPortNo = 9001;
        sysOption.PolicePortNo = 9002;
        sysOption.MemberPortNo = 9003;
        sysOption.ScanPortNo = 9004;
        sysOption.DelayMinutes = 15;
        sysOption.DelayMinutes2 = -5;
        sysOption.UseNativeDoorlockDb = true;
        sysOption.SaveDoorlockRecord = true;
        TMessageRecorder recorder;
        TChangePasswordForm form(sysOption, nullptr);
        form.show();
        form.edtPswd->setText(QStringLiteral(" 新密码1 "));
        form.edtConfirmPswd->setText(QStringLiteral("新密码1\t"));
        form.btnOK->click();

        QCOMPARE(recorder.Messages.size(), size_t(1));
        QCOMPARE(recorder.Messages[0].Text, QStringLiteral("管理员密码更改成功！"));
        QCOMPARE(recorder.Messages[0].Caption, QStringLiteral("提示"));
        QCOMPARE(recorder.Messages[0].Icon, QMessageBox::Information);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(sysOption.Password, std::string("新密码1"));

        const QByteArray file = ReadFileBytes(OptionFile());
        QVERIFY2(file.contains("Password=新密码1\r\n"), file.constData());
        for (const char *key : {"DoorlockPortNo=9001", "PolicePortNo=9002", "MemberPortNo=9003",
                                "ScanPortNo=9004", "DelayMinutes=15", "DelayMinutes2=-5",
                                "UseNativeDoorlockDb=1", "SaveDoorlockRecord=1"})
            QVERIFY2(file.contains(QByteArray(key) + "\r\n"), key);
        TSysOption reloaded = LoadedSysOption();
        QCOMPARE(reloaded.Password, std::string("新密码1"));
        QCOMPARE(reloaded.DelayMinutes2, -5);
    }

    void emptyPasswordAfterEmptyChange()
    {
        TSysOption sysOption = LoadedSysOption();
        {
            TMessageRecorder recorder;
            TChangePasswordForm form(sysOption, nullptr);
            form.show();
            form.edtConfirmPswd->setText(QStringLiteral("  "));
            form.btnOK->click();
            QCOMPARE(form.result(), int(QDialog::Accepted));
        }
        QVERIFY(ReadFileBytes(OptionFile()).contains("Password=\r\n"));
        TSysOption reloaded = LoadedSysOption();
        QCOMPARE(reloaded.Password, std::string());
        for (const QString &typed : {QString(), QStringLiteral("   ")}) {
            TCheckPasswordForm prompt(reloaded, nullptr);
            prompt.show();
            prompt.edtPswd->setText(typed);
            prompt.btnOK->click();
            QCOMPARE(prompt.result(), int(QDialog::Accepted));
        }
    }

    void changeUnwritableFileKeepsDialogOpen()
    {
        MakeUnwritable(OptionFile());
        TSysOption sysOption = LoadedSysOption();
        TMessageRecorder recorder;
        TChangePasswordForm form(sysOption, nullptr);
        form.show();
        form.edtPswd->setText(QStringLiteral("abc"));
        form.edtConfirmPswd->setText(QStringLiteral("abc"));
        form.btnOK->click();
        QCOMPARE(recorder.Messages.size(), size_t(1));
        QCOMPARE(recorder.Messages[0].Text, QStringLiteral("Unable to write to ") + OptionFile());
        QCOMPARE(recorder.Messages[0].Icon, QMessageBox::Critical);
        QVERIFY(form.isVisible());
        // In force for the rest of the run, whatever the file holds.
        QCOMPARE(sysOption.Password, std::string("abc"));
    }
};

QTEST_MAIN(PasswordFormTest)
#include "PasswordFormTest.moc"
