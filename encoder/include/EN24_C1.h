/*
 * EN24_C1 - card encoder library.
 *
 * Principles:
 * - Stateless: the library keeps nothing between calls. The caller opens the
 *   encoder's port with OpenPort, keeps the port handle, passes it to every
 *   card operation and closes it with ClosePort.
 * - The caller owns every buffer; the sizes each export needs are given below.
 *   Texts handed back are upper-case hex, two characters per byte, then a zero
 *   byte.
 * - Every export returns a 32-bit signed result code and never throws.
 * - Calls block through the encoder's fixed waits (a card read takes at least
 *   0.4 s, a card write at least 2 s, a guest card with its read-back about
 *   2.8 s). Operations on one handle must not overlap: the caller serialises
 *   them.
 * - An argument out of range is refused with 0 before any port traffic.
 */
#ifndef EN24_C1_H
#define EN24_C1_H

#include <stdint.h>

#if defined(EN24_C1_BUILDING)
#define EN24_API __attribute__((visibility("default")))
#else
#define EN24_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes shared by all exports. */
enum {
    EN24_OK = 1,               /* success */
    EN24_REFUSED = 0,          /* argument out of range, no card data, read-back mismatch, or GetRecord could not open its port */
    EN24_ERR_OPEN = -80,       /* opening the port failed (no such port) */
    EN24_ERR_ACCESS = -81,     /* opening the port failed: held by another program or no permission */
    EN24_ERR_CLOSE = -82,      /* closing the port failed */
    EN24_ERR_SET_STATE = -83,  /* applying the line settings failed */
    EN24_ERR_GET_STATE = -84,  /* reading the line settings failed */
    EN24_ERR_WRITE = -85,      /* writing to the port failed */
    EN24_ERR_READ = -86,       /* reading from the port failed, or a reply or record block came short */
    EN24_ERR_NO_REPLY = -99,   /* no sync byte from the encoder within 200 polls (about 2 s) */
    EN24_ERR_NO_CARD = -101,   /* no card on the encoder before a write */
    EN24_TEST_VALUE = 2008     /* what test() returns */
};

/* ---- The link ---------------------------------------------------------- */

/* Opens COM<portNo> (1 to 8; any other low 16 bits give COM1) at baudRate,
   8N1. Returns the port handle (> 0), or -80, -81, -83, -84. */
EN24_API int32_t OpenPort(int32_t portNo, int32_t baudRate);
/* Returns 1, or -82. */
EN24_API int32_t ClosePort(int32_t handle);
/* Sounds the encoder's buzzer. Returns 1 as soon as the frame is written, or -85. */
EN24_API int32_t Buzzer(int32_t handle);
/* Touches no port; returns 2008. */
EN24_API int32_t test(void);
/* Writes the hex text of count bytes into text (2 * count + 1 bytes). Returns 1. */
EN24_API int32_t hex_str(const unsigned char *bytes, char *text, int32_t count);

/* ---- Raw card I/O ------------------------------------------------------ */

/* Reads the card: the 20-byte reply as 40 hex characters (text: 41 bytes).
   1 means a reply came, not that a card was read. 1, -85, -86, -99. */
EN24_API int32_t ReadCard(int32_t handle, char *readText);
/* As ReadCard with the card's serial: 24 bytes as 48 characters (49 bytes). */
EN24_API int32_t ReadCardSN(int32_t handle, char *readText);
/* Writes a 12-byte card record without checking it. 1, -85. */
EN24_API int32_t WriteRFData(int32_t handle, const unsigned char *record);
/* Write-and-verify: read, write, read back, compare, beep.
   1, 0 (read-back differs), -101, or a code of ReadCard / WriteRFData. */
EN24_API int32_t ReadAndWriteCard(int32_t handle, const unsigned char *record);
/* Write-and-verify of the erase record (12 bytes 0xFF). */
EN24_API int32_t EraseCard(int32_t handle);
/* Reads and decodes the card (cardInfo: 63 bytes). Returns the card number,
   0 for no card data, or a negative code of ReadCard. */
EN24_API int32_t GetCardInfo(int32_t handle, char *cardInfo);
/* As GetCardInfo with ReadCardSN (cardInfo: 71 bytes). */
EN24_API int32_t GetCardInfoSN(int32_t handle, char *cardInfo);

/* ---- Card builders -----------------------------------------------------
   Each checks its arguments (first refused: 0, recordText untouched, nothing
   sent), writes the record's 24 hex characters and a zero byte into
   recordText (25 bytes), then returns the result of write-and-verify.
   Hotel id 0 to 16382, card number 1 to 16777214. Time texts are digits by
   position: YYMMDDhhmm, YYMMDD, hhmm; lock numbers are six characters:
   building 1, floor 2, room 3. */

EN24_API int32_t GuestCard(int32_t handle, int32_t hotelId, int32_t cardNo, const char *lockNo,
                           const char *checkOutTime, int32_t guestGeneration, int32_t lLock,
                           char *recordText);
EN24_API int32_t MasterCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText);
EN24_API int32_t BuildingCard(int32_t handle, int32_t hotelId, int32_t cardNo, const char *building,
                              const char *startTime, const char *endTime, const char *date,
                              char *recordText);
EN24_API int32_t FloorCard(int32_t handle, int32_t hotelId, int32_t cardNo,
                           const char *buildingAndFloor, const char *startTime,
                           const char *endTime, const char *date, char *recordText);
EN24_API int32_t EmergencyCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText);
EN24_API int32_t CheckOutCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText);
EN24_API int32_t GroupCard(int32_t handle, int32_t hotelId, int32_t cardNo, int32_t groupNo,
                           const char *startTime, const char *endTime, const char *date,
                           char *recordText);
EN24_API int32_t GroupCardSet(int32_t handle, int32_t hotelId, int32_t cardNo, int32_t groupSetType,
                              int32_t groupNo, char *recordText);
EN24_API int32_t LimitCard(int32_t handle, int32_t hotelId, int32_t cardNo, int32_t limitedCardNo,
                           char *recordText);
EN24_API int32_t TimeSetCard(int32_t handle, int32_t hotelId, int32_t cardNo, const char *time,
                             char *recordText);
EN24_API int32_t RoomSetCard(int32_t handle, int32_t hotelId, int32_t cardNo, const char *lockNo,
                             char *recordText);
EN24_API int32_t RecordCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText);
EN24_API int32_t SealCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText);
EN24_API int32_t SystemCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText);

/* ---- Record download ---------------------------------------------------- */

/* Opens COM<portNo> at 1200 baud by itself, requests the lock records and
   writes the 2048 bytes as 4096 hex characters (text: 4097 bytes).
   1, 0 (port could not be opened), -85, -86. Takes at least 38.4 s. */
EN24_API int32_t GetRecord(int32_t portNo, char *text);

#ifdef __cplusplus
}
#endif

#endif /* EN24_C1_H */
