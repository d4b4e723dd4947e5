// Exports whose card logic is not in the library yet: each refuses with 0.
#include "EN24_C1.h"

extern "C" {

EN24_API int32_t ReadAndWriteCard(int32_t, const unsigned char *) { return EN24_REFUSED; }
EN24_API int32_t EraseCard(int32_t) { return EN24_REFUSED; }
EN24_API int32_t GetCardInfo(int32_t, char *) { return EN24_REFUSED; }
EN24_API int32_t GetCardInfoSN(int32_t, char *) { return EN24_REFUSED; }
EN24_API int32_t GuestCard(int32_t, int32_t, int32_t, const char *, const char *, int32_t, int32_t, char *)
{
    return EN24_REFUSED;
}
EN24_API int32_t MasterCard(int32_t, int32_t, int32_t, char *) { return EN24_REFUSED; }
EN24_API int32_t BuildingCard(int32_t, int32_t, int32_t, const char *, const char *, const char *,
                              const char *, char *)
{
    return EN24_REFUSED;
}
EN24_API int32_t FloorCard(int32_t, int32_t, int32_t, const char *, const char *, const char *,
                           const char *, char *)
{
    return EN24_REFUSED;
}
EN24_API int32_t EmergencyCard(int32_t, int32_t, int32_t, char *) { return EN24_REFUSED; }
EN24_API int32_t CheckOutCard(int32_t, int32_t, int32_t, char *) { return EN24_REFUSED; }
EN24_API int32_t GroupCard(int32_t, int32_t, int32_t, int32_t, const char *, const char *, const char *,
                           char *)
{
    return EN24_REFUSED;
}
EN24_API int32_t GroupCardSet(int32_t, int32_t, int32_t, int32_t, int32_t, char *) { return EN24_REFUSED; }
EN24_API int32_t LimitCard(int32_t, int32_t, int32_t, int32_t, char *) { return EN24_REFUSED; }
EN24_API int32_t TimeSetCard(int32_t, int32_t, int32_t, const char *, char *) { return EN24_REFUSED; }
EN24_API int32_t RoomSetCard(int32_t, int32_t, int32_t, const char *, char *) { return EN24_REFUSED; }
EN24_API int32_t RecordCard(int32_t, int32_t, int32_t, char *) { return EN24_REFUSED; }
EN24_API int32_t SealCard(int32_t, int32_t, int32_t, char *) { return EN24_REFUSED; }
EN24_API int32_t SystemCard(int32_t, int32_t, int32_t, char *) { return EN24_REFUSED; }
EN24_API int32_t GetRecord(int32_t, char *) { return EN24_REFUSED; }

} // extern "C"
