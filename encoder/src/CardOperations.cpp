#include "CardOperations.h"

#include <cstring>

#include "CardInfo.h"
#include "Exchange.h"

namespace en24 {

namespace {

constexpr size_t kReadTextSize = 41;   // 20 reply bytes as hex, zero byte
constexpr size_t kReadTextSNSize = 49; // 24 reply bytes as hex, zero byte

using ReadFunction = int32_t (*)(Port &, Clock &, char *);

template <size_t ReadTextSize>
int32_t GetCardInfoWith(ReadFunction read, Port &port, Clock &clock, char *cardInfo)
{
    // The read goes to a buffer of our own so that a failed read leaves the
    // caller's text as it was.
    char readText[ReadTextSize] = {};
    const int32_t result = read(port, clock, readText);
    if (result != 1)
        return result;
    std::memcpy(cardInfo + kInfoReadTextPos, readText, ReadTextSize);
    return DecodeCardInfo(cardInfo + kInfoReadTextPos, cardInfo);
}

} // namespace

int32_t WriteAndVerify(Port &port, Clock &clock, const uint8_t *record)
{
    // A read exchange fills the whole text when it succeeds and leaves it
    // alone otherwise, so the read-back needs no clearing before it.
    char readText[kReadTextSize] = {};
    int32_t result = ReadCard(port, clock, readText);
    if (result != 1)
        return result;
    if (!ReadTextHasCard(readText))
        return -101;

    result = WriteRFData(port, clock, record);
    if (result != 1)
        return result;

    result = ReadCard(port, clock, readText);
    if (result != 1)
        return result;

    CardRecord written;
    std::memcpy(written.data(), record, written.size());
    char recordText[25];
    WriteRecordText(written, recordText);
    // Only the record bytes decide; the status byte of the read-back is not looked at.
    if (std::memcmp(recordText, readText + kReadRecordPos, 24) != 0)
        return 0;

    Buzzer(port, clock);
    return 1;
}

int32_t EraseCardOn(Port &port, Clock &clock)
{
    const CardRecord erase = EraseRecord();
    return WriteAndVerify(port, clock, erase.data());
}

int32_t GetCardInfoOn(Port &port, Clock &clock, char *cardInfo)
{
    return GetCardInfoWith<kReadTextSize>(ReadCard, port, clock, cardInfo);
}

int32_t GetCardInfoSNOn(Port &port, Clock &clock, char *cardInfo)
{
    return GetCardInfoWith<kReadTextSNSize>(ReadCardSN, port, clock, cardInfo);
}

int32_t WriteBuiltCard(Port &port, Clock &clock, const std::optional<CardRecord> &record,
                       char *recordText)
{
    if (!record || recordText == nullptr)
        return 0;
    // The caller holds the record whatever the card write brings.
    WriteRecordText(*record, recordText);
    return WriteAndVerify(port, clock, record->data());
}

} // namespace en24
