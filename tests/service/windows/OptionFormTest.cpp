// The door lock option dialog over a real Option.ini in a temporary folder.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "OptionFormUnit.h"
#include "OptionUnit.h"
#include "WindowTestSupport.h"

class OptionFormTest : public QObject, private TOptionFileFixture {
    Q_OBJECT

private:
    void WriteOptionFile(const QByteArray &text) const
    {
        QFile file(OptionFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    std::unique_ptr<TOption> LoadedOption() const
    {
        auto option = std::make_unique<TOption>(OptionFile().toStdString());
        option->Load();
        return option;
    }

private slots:
    void init() { QVERIFY(StartWithoutOptionFile()); }

    void cleanup() { VERIFY_NO_UNEXPECTED_MESSAGES(Unexpected_); }

    void layout()
    {
        auto option = LoadedOption();
        TOptionForm form(*option, nullptr, nullptr);
        QCOMPARE(form.windowTitle(), QStringLiteral("修改门锁参数"));
        QCOMPARE(form.size(), QSize(380, 281)); // 388 by 308 with frame and caption
        QCOMPARE(form.font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(form.font().pointSize(), 8);
        QCOMPARE(form.layoutDirection(), Qt::LeftToRight);
        VerifyControls(form, {{"Label1", 64, 28, 65, 13, "设置端口  "},
                              {"Label2", 64, 66, 65, 13, "系统密码"},
                              {"Label3", 64, 102, 65, 13, "酒店标识"},
                              {"PortNameCmb", 168, 28, 145, 21, ""},
                              {"OKBtn", 88, 200, 75, 25, "修改"},
                              {"CancelBtn", 210, 200, 75, 25, "取消"},
                              {"PasswordEdit", 168, 66, 145, 21, "80617"},
                              {"HotelIDEdit", 168, 100, 145, 21, ""},
                              {"LLockCheckBox", 168, 152, 97, 17, "允许开反锁"}});
        QVERIFY(form.PortNameCmb->isEditable());
        QCOMPARE(form.PortNameCmb->count(), 7);
        QCOMPARE(form.PortNameCmb->itemText(6), QStringLiteral("COM7"));
        QVERIFY(!form.OKBtn->isDefault() && !form.OKBtn->autoDefault());
        QVERIFY(!form.CancelBtn->isDefault() && !form.CancelBtn->autoDefault());
        QCOMPARE(form.PasswordEdit->echoMode(), QLineEdit::Normal);
        const QList<QWidget *> order = {form.PortNameCmb, form.OKBtn, form.CancelBtn,
                                        form.PasswordEdit, form.HotelIDEdit, form.LLockCheckBox};
        for (int i = 0; i + 1 < order.size(); ++i)
            QCOMPARE(NextTabStop(order[i]), order[i + 1]);
    }

    // How the port box opens for the port stored.
    void filling_data()
    {
        QTest::addColumn<QByteArray>("stored");      // PortName in Option.ini; empty row = no key
        QTest::addColumn<int>("selected");           // index of the selected entry, -1 none
        QTest::addColumn<QString>("shown");
        QTest::newRow("COM3 in lower case") << QByteArray("com3") << 2 << "COM3";
        QTest::newRow("COM7") << QByteArray("COM7") << 6 << "COM7";
        QTest::newRow("COM8 not in the list") << QByteArray("COM8") << -1 << "COM1";
        QTest::newRow("any other text") << QByteArray("/dev/ttyUSB0") << -1 << "COM1";
        QTest::newRow("empty value") << QByteArray("") << -1 << "COM1";
        QTest::newRow("COM1 by default") << QByteArray() << 0 << "COM1";
    }

    void filling()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, selected);
        QFETCH(QString, shown);
        if (!stored.isNull())
            WriteOptionFile("[DoorlockOption]\r\nPortName=" + stored +
                            "\r\nPassword=p w\r\nHotelID=12\r\nLLock=1\r\n");
        auto option = LoadedOption();
        TOptionForm form(*option, nullptr, nullptr);
        QCOMPARE(form.PortNameCmb->currentIndex(), selected);
        QCOMPARE(form.PortNameCmb->currentText(), shown);
        if (!stored.isNull()) {
            QCOMPARE(form.PasswordEdit->text(), QStringLiteral("p w"));
            QCOMPARE(form.HotelIDEdit->text(), QStringLiteral("12"));
            QVERIFY(form.LLockCheckBox->isChecked());
        }
    }

    // What confirming stores for the port.
    void confirmPort_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("typed");          // typed into the box; empty = untouched
        QTest::addColumn<bool>("enter");             // then Enter in the box
        QTest::addColumn<QString>("saved");
        QTest::addColumn<int>("portNo");
        QTest::newRow("lower-case com3 saved as COM3") << QByteArray("com3") << "" << false << "COM3" << 3;
        QTest::newRow("COM8 untouched saved as COM1") << QByteArray("COM8") << "" << false << "COM1" << 1;
        QTest::newRow("typed COM8 kept") << QByteArray("COM2") << "COM8" << false << "COM8" << 8;
        QTest::newRow("typed text kept as typed") << QByteArray("COM2") << " com5 " << false << " com5 " << 0;
        QTest::newRow("typed lower case kept after Enter") << QByteArray("COM2") << "com5" << true << "com5" << 0;
    }

    void confirmPort()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, typed);
        QFETCH(bool, enter);
        QFETCH(QString, saved);
        QFETCH(int, portNo);
        WriteOptionFile("[DoorlockOption]\r\nPortName=" + stored + "\r\n");
        auto option = LoadedOption();
        TMessageRecorder recorder;
        TOptionForm form(*option, nullptr, nullptr);
        form.show();
        if (!typed.isEmpty()) {
            form.PortNameCmb->lineEdit()->selectAll();
            QTest::keyClicks(form.PortNameCmb->lineEdit(), typed);
        }
        if (enter)
            QTest::keyClick(form.PortNameCmb->lineEdit(), Qt::Key_Return);
        form.OKBtn->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(option->PortName, saved.toStdString());
        QVERIFY(ReadFileBytes(OptionFile()).contains("PortName=" + saved.toUtf8() + "\r\n"));
        if (portNo != 0)
            QCOMPARE(LoadedOption()->GetPortNo(), portNo);
    }

    void confirmWithoutChangesWritesAllFiveKeys()
    {
        auto option = LoadedOption();
        TMessageRecorder recorder;
        TOptionForm form(*option, nullptr, nullptr);
        form.show();
        form.OKBtn->click();

        QCOMPARE(ReadFileBytes(OptionFile()),
                 QByteArray("[DoorlockOption]\r\nPortName=COM1\r\nPassword=80617\r\nHotelID=\r\n"
                            "LLock=0\r\nCurrentCardNo=1\r\n"));
        QCOMPARE(recorder.Messages.size(), size_t(1));
        QCOMPARE(recorder.Messages[0].Text, QStringLiteral("参数已经发生变化,请重新启动程序"));
        QCOMPARE(recorder.Messages[0].Caption, QStringLiteral("提示"));
        QCOMPARE(recorder.Messages[0].Icon, QMessageBox::Information);
        QVERIFY(!form.isVisible());
    }

    void confirmStoresTextsAsTyped()
    {
        WriteOptionFile("[DoorlockOption]\r\nCurrentCardNo=1234\r\n");
        auto option = LoadedOption();
        TMessageRecorder recorder;
        TOptionForm form(*option, nullptr, nullptr);
        form.show();
        form.PasswordEdit->clear();
        form.PasswordEdit->insert(QStringLiteral(" 门锁 "));
        QTest::keyClicks(form.HotelIDEdit, QStringLiteral("abc"));
        form.LLockCheckBox->click();
        form.OKBtn->click();
        QCOMPARE(option->Password, std::string(" 门锁 "));
        QCOMPARE(option->HotelID, std::string("abc"));
        QCOMPARE(ReadFileBytes(OptionFile()),
                 QByteArray("[DoorlockOption]\r\nCurrentCardNo=1234\r\nPortName=COM1\r\n"
                            "Password= 门锁 \r\nHotelID=abc\r\nLLock=1\r\n"));
    }

    void cancelLeavesFileUntouched_data()
    {
        QTest::addColumn<bool>("byCloseButton");
        QTest::newRow("取消") << false;
        QTest::newRow("close button") << true;
    }

    void cancelLeavesFileUntouched()
    {
        QFETCH(bool, byCloseButton);
        const QByteArray before("; kept\r\n[DOORLOCKOPTION]\r\nportname=com3\r\nHotelID=7\r\n");
        WriteOptionFile(before);
        auto option = LoadedOption();
        TMessageRecorder recorder;
        TOptionForm form(*option, nullptr, nullptr);
        form.show();
        form.HotelIDEdit->setText(QStringLiteral("8"));
        form.LLockCheckBox->setChecked(true);
        if (byCloseButton)
            form.close();
        else
            form.CancelBtn->click();
        QVERIFY(!form.isVisible());
        QCOMPARE(ReadFileBytes(OptionFile()), before);
        QCOMPARE(option->HotelID, std::string("7"));
        QVERIFY(recorder.Messages.empty());
    }

    void enterAndEscapePressNothing()
    {
        auto option = LoadedOption();
        TOptionForm form(*option, nullptr, nullptr);
        form.show();
        QTest::keyClick(form.HotelIDEdit, Qt::Key_Return);
        QTest::keyClick(form.HotelIDEdit, Qt::Key_Escape);
        QVERIFY(form.isVisible());
        QVERIFY(!QFile::exists(OptionFile()));
    }

    void unwritableFileShowsErrorAndStays()
    {
        MakeUnwritable(OptionFile());
        auto option = LoadedOption();
        TMessageRecorder recorder;
        TOptionForm form(*option, nullptr, nullptr);
        form.show();
        form.HotelIDEdit->setText(QStringLiteral("5"));
        form.OKBtn->click();
        QCOMPARE(recorder.Messages.size(), size_t(1));
        QCOMPARE(recorder.Messages[0].Text, QStringLiteral("Unable to write to ") + OptionFile());
        QCOMPARE(recorder.Messages[0].Icon, QMessageBox::Critical);
        QVERIFY(form.isVisible());
        QCOMPARE(option->HotelID, std::string("5"));
    }
};

QTEST_MAIN(OptionFormTest)
#include "OptionFormTest.moc"
