#include "CardemoLogic.h"

#include "CardemoInput.h"
#include "EN24_C1.h"

#include <array>
#include <utility>

namespace cardemo {
namespace {

// The buffers the library fills hold 128 characters; each click gets a fresh one, blank so
// that positions the library leaves alone read as blanks.
constexpr std::size_t kBufferSize = 128;
using Buffer = std::array<char, kBufferSize>;

Buffer FreshBuffer()
{
    Buffer buffer;
    buffer.fill(' ');
    buffer.back() = '\0';
    return buffer;
}

// The characters from position `first` on, one per byte, as the library wrote them.
QString Positions(const Buffer& buffer, std::size_t first, qsizetype count)
{
    return QString::fromLatin1(buffer.data() + first, count);
}

QString TextUpToZero(const Buffer& buffer)
{
    return QString::fromLatin1(buffer.data(), static_cast<qsizetype>(qstrnlen(buffer.data(), buffer.size())));
}

} // namespace

CardemoLogic::CardemoLogic(std::string libraryFile, CardemoHooks hooks)
    : library_(std::move(libraryFile)), hooks_(std::move(hooks))
{
}

template <class Fn, class... Args>
std::optional<int32_t> CardemoLogic::Call(const char* name, Args... args)
{
    Fn function = nullptr;
    try {
        function = library_.Function<Fn>(name);
    } catch (const LibraryMissing& missing) {
        hooks_.ShowMessage(QString::fromStdString(missing.what()), MessageIcon::Error);
        hooks_.EndProgram(1);
        return std::nullopt;
    }
    return function(args...);
}

void CardemoLogic::Refuse(const QString& text)
{
    hooks_.ShowMessage(text, MessageIcon::Error);
}

void CardemoLogic::Start(FormState& form)
{
    RestoreDefaults(form);
    form.openEnabled = true;
    form.closeEnabled = false;
    form.cardButtonsEnabled = false;
    form.exitEnabled = true;
}

void CardemoLogic::RestoreDefaults(FormState& form)
{
    form.hotelId = QStringLiteral("1343");
    form.cardNo = QStringLiteral("123456");
    form.lockNo = QStringLiteral("105001");
    form.checkOut = DefaultCheckOutText(hooks_.Today());
    form.generation = QStringLiteral("0");
    form.cardData.clear();
    form.handleText.clear();
}

void CardemoLogic::OpenPort(FormState& form)
{
    const auto result = Call<decltype(&::OpenPort)>("OpenPort", int32_t{form.portNo}, kBaudRate);
    if (!result)
        return;
    hooks_.ShowMessage(QString::number(*result), MessageIcon::None);
    if (*result < 1) {
        portHandle_ = 0;
        return;
    }
    // Opening again replaces the handle on show; the port opened before stays open.
    portHandle_ = *result;
    portClosed_ = false;
    form.handleText = QString::number(portHandle_);
    form.exitEnabled = false;
    form.cardButtonsEnabled = true;
    form.closeEnabled = true;
}

void CardemoLogic::ClosePort(FormState& form)
{
    // Only a handle that OpenPort gave and that is still open goes to the library: any other
    // number may belong to another descriptor of this program by now.
    if (portHandle_ < 1 || portClosed_) {
        hooks_.ShowMessage(QStringLiteral("关闭串口失败"), MessageIcon::None);
        return;
    }
    const auto result = Call<decltype(&::ClosePort)>("ClosePort", portHandle_);
    if (!result)
        return;
    if (*result != 1) {
        hooks_.ShowMessage(QStringLiteral("关闭串口失败"), MessageIcon::None);
        return;
    }
    portClosed_ = true;
    hooks_.ShowMessage(QStringLiteral("关闭串口成功"), MessageIcon::None);
    form.cardButtonsEnabled = false;
    form.exitEnabled = true;
}

void CardemoLogic::Beep()
{
    // "蜂鸣" stays enabled after a failed open has cleared the handle; 0 is no port but
    // standard input, so it is not handed on. Nothing is shown either way.
    if (portHandle_ < 1 || portClosed_)
        return;
    Call<decltype(&::Buzzer)>("Buzzer", portHandle_);
}

void CardemoLogic::Test()
{
    const auto result = Call<decltype(&::test)>("test");
    if (result)
        hooks_.ShowMessage(QStringLiteral("测试结果为：") + QString::number(*result), MessageIcon::None);
}

void CardemoLogic::ReadCard(FormState& form)
{
    if (portHandle_ < 1) {
        hooks_.ShowMessage(QStringLiteral("串口没有打开"), MessageIcon::None);
        return;
    }
    Buffer info = FreshBuffer();
    const auto cardNo = Call<decltype(&::GetCardInfo)>("GetCardInfo", portHandle_, info.data());
    if (!cardNo)
        return;
    // The result is not tested: a failed read shows its code as the card number, and the
    // boxes take whatever the buffer holds at the card info positions.
    hooks_.ShowMessage(QStringLiteral("卡类型：") + Positions(info, 0, 1), MessageIcon::None);
    form.cardNo = QString::number(*cardNo);
    form.hotelId = Positions(info, 1, 5);
    form.lockNo = Positions(info, 6, 6);
}

void CardemoLogic::MakeGuestCard(FormState& form)
{
    if (portHandle_ == 0) {
        hooks_.ShowMessage(QStringLiteral("请先打开串口"), MessageIcon::Warning);
        return;
    }
    const std::optional<int32_t> hotelId = NearestInt32(NumericValue(form.hotelId));
    if (!hotelId) {
        Refuse(QStringLiteral("请正确输入酒店标识：数值超出32位整数的范围"));
        return;
    }
    const std::optional<int32_t> cardNo = NearestInt32(NumericValue(form.cardNo));
    if (!cardNo) {
        Refuse(QStringLiteral("请正确输入发卡流水号：数值超出32位整数的范围"));
        return;
    }
    const std::optional<CheckOutTime> checkOut = ReadCheckOutTime(form.checkOut);
    if (!checkOut) {
        Refuse(QStringLiteral("请正确输入退房时间，格式为“年/月/日 时:分”，例如 2015/06/30 14:00"));
        return;
    }
    // The card holds the year as two digits: a year of another century would be written as
    // one of this century.
    if (checkOut->date.year() < kFirstCheckOutYear || checkOut->date.year() > kLastCheckOutYear) {
        Refuse(QStringLiteral("请正确输入退房时间：年份须在%1年至%2年之间")
                   .arg(kFirstCheckOutYear)
                   .arg(kLastCheckOutYear));
        return;
    }
    const QByteArray checkOutCode = CheckOutCode(*checkOut);
    if (CharacterCount(form.lockNo) != 6) {
        Refuse(QStringLiteral("请正确输入锁号"));
        return;
    }
    const QByteArray lockNo = form.lockNo.toLocal8Bit();
    const std::optional<int32_t> generation = NearestInt32(NumericValue(form.generation));
    if (!generation || *generation < 0 || *generation > 255) {
        Refuse(QStringLiteral("请正确输入客人代：须为0至255之间的整数"));
        return;
    }

    Buffer record = FreshBuffer();
    constexpr int32_t kLLock = -1; // true: the card kind with the LLock flag
    const auto result = Call<decltype(&::GuestCard)>("GuestCard", portHandle_, *hotelId, *cardNo,
                                                     lockNo.constData(), checkOutCode.constData(),
                                                     *generation, kLLock, record.data());
    if (!result)
        return;
    if (*result == 1) {
        hooks_.ShowMessage(QStringLiteral("制作宾客卡成功"), MessageIcon::None);
        form.cardData = TextUpToZero(record);
    } else {
        hooks_.ShowMessage(QStringLiteral("制作宾客卡失败，请检查写卡信息 错误代码为：") + QString::number(*result),
                           MessageIcon::None);
    }
}

void CardemoLogic::Exit()
{
    hooks_.EndProgram(0);
}

} // namespace cardemo
