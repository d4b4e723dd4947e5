// The exports of the link and the raw card exchanges: each checks its
// arguments, wraps the handle in a port and calls the core.
#include "EN24_C1.h"

#include "Exchange.h"
#include "Frame.h"
#include "PosixPort.h"

extern "C" {

EN24_API int32_t OpenPort(int32_t portNo, int32_t baudRate)
{
    return en24::OpenPosixPort(portNo, baudRate);
}

EN24_API int32_t ClosePort(int32_t handle)
{
    return en24::ClosePosixPort(handle);
}

EN24_API int32_t Buzzer(int32_t handle)
{
    en24::PosixPort port(handle);
    en24::SystemClock clock;
    return en24::Buzzer(port, clock);
}

EN24_API int32_t test(void)
{
    return EN24_TEST_VALUE;
}

EN24_API int32_t hex_str(const unsigned char *bytes, char *text, int32_t count)
{
    if (text == nullptr || count < 0 || (bytes == nullptr && count > 0))
        return EN24_REFUSED;
    en24::HexText(bytes, static_cast<size_t>(count), text);
    return EN24_OK;
}

EN24_API int32_t ReadCard(int32_t handle, char *readText)
{
    en24::PosixPort port(handle);
    en24::SystemClock clock;
    return en24::ReadCard(port, clock, readText);
}

EN24_API int32_t ReadCardSN(int32_t handle, char *readText)
{
    en24::PosixPort port(handle);
    en24::SystemClock clock;
    return en24::ReadCardSN(port, clock, readText);
}

EN24_API int32_t WriteRFData(int32_t handle, const unsigned char *record)
{
    en24::PosixPort port(handle);
    en24::SystemClock clock;
    return en24::WriteRFData(port, clock, record);
}

} // extern "C"
