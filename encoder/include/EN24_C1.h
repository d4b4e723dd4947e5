/*
 * EN24_C1 - card encoder library.
 *
 * Principles:
 * - Stateless: the library keeps no port, handle or cache between calls; the
 *   one thing that lasts is each calling thread's generator of filler bytes
 *   (check-out, limit and lock set-up cards), which starts afresh in every
 *   thread. The caller opens the encoder's port with OpenPort, keeps the port
 *   handle, passes it to every card operation and closes it with ClosePort.
 * - The caller owns every buffer; the sizes each export needs are given below.
 *   Bytes handed back as text are upper-case hex, two characters per byte,
 *   then a zero byte.
 * - Every export returns a 32-bit signed result code and never throws.
 * - Calls block through the encoder's fixed waits (a card read takes at least
 *   0.4 s, a card write at least 2 s, a guest card with its read-back about
 *   2.8 s). Operations on one handle must not overlap: the caller serialises
 *   them.
 * - An argument out of range, and a null pointer where a buffer or text is
 *   expected, is refused with 0 before any port traffic.
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
    EN24_ERR_OPEN = -80,       /* opening the port failed (no such port, or any failure but -81) */
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
   8N1, and holds it: opening it again, here or in another program, gives -81
   until ClosePort. COM<n> is the device named by the environment
   variable EN24_COM<n>, else /dev/ttyS<n-1>. Baud rates 110, 300, 600, 1200,
   2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400; any other is -83.
   Returns the port handle (> 0), or -80, -81, -83, -84. */
EN24_API int32_t OpenPort(int32_t portNo, int32_t baudRate);
/* Returns 1, or -82. */
EN24_API int32_t ClosePort(int32_t handle);
/* Sounds the encoder's buzzer. Returns 1 as soon as the frame is written, or -85. */
EN24_API int32_t Buzzer(int32_t handle);
/* Touches no port; returns 2008. */
EN24_API int32_t test(void);
/* Writes the hex text of count bytes into text (2 * count + 1 bytes). Returns 1;
   0 with nothing written when text is null, count is negative, or bytes is
   null with a count above 0. */
EN24_API int32_t hex_str(const unsigned char *bytes, char *text, int32_t count);

/* ---- Raw card I/O ------------------------------------------------------ */

/* Reads the card: the 20-byte reply as 40 hex characters (text: 41 bytes).
   1 means a reply came, not that a card was read. 1, -85, -86, -99. */
EN24_API int32_t ReadCard(int32_t handle, char *readText);
/* As ReadCard with the card's serial: 24 bytes as 48 characters (49 bytes). */
EN24_API int32_t ReadCardSN(int32_t handle, char *readText);
/* Writes a 12-byte card record without checking it. 1, -85; -86 when the
   port cannot be read at all (a device gone, a handle not open). */
EN24_API int32_t WriteRFData(int32_t handle, const unsigned char *record);
/* Write-and-verify: read, write, read back, compare, beep.
   1, 0 (read-back differs), -101, or a code of ReadCard / WriteRFData. */
EN24_API int32_t ReadAndWriteCard(int32_t handle, const unsigned char *record);
/* Write-and-verify of the erase record (12 bytes 0xFF). */
EN24_API int32_t EraseCard(int32_t handle);
/* Reads and decodes the card (cardInfo: 63 bytes): positions 0 to 21 the
   decoded fields (kind digit, hotel id 5, building 1, floor 2, room 3, year,
   month, day, hour, minute 2 each), 22 on the read text and its zero byte.
   Returns the card number; 0 for no card data (only the read text written);
   or a negative code of ReadCard (cardInfo untouched). */
EN24_API int32_t GetCardInfo(int32_t handle, char *cardInfo);
/* As GetCardInfo with ReadCardSN (cardInfo: 71 bytes). */
EN24_API int32_t GetCardInfoSN(int32_t handle, char *cardInfo);

/* ---- Card builders -----------------------------------------------------
   Each checks its arguments (first refused: 0, recordText untouched, nothing
   sent), writes the record's 24 hex characters and a zero byte into
   recordText (25 bytes), then returns the result of write-and-verify.
   Hotel id 0 to 16382, card number 1 to 16777214. Texts are read by
   position: times YYMMDDhhmm, dates YYMMDD and hhmm texts two characters a
   field; lock numbers six characters (building 1, floor 2, room 3); the
   building text one, the building-and-floor text three. Each character counts
   as its code minus '0' (not checked to be a digit); only the numbers are
   range-checked. A text that ends (zero byte) inside a field is refused. */

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
