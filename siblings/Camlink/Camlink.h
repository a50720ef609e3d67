#ifndef CAMLINK_H
#define CAMLINK_H
/*
 * Camlink: the serial link to a DV camcorder. The program opens and sets up the port itself and hands
 * the open descriptor to these calls; Camlink only speaks the protocol below. Loaded by name
 * ("Camlink" = libCamlink.so) and bound by export name. Nothing is printed, nothing is allocated
 * across calls, no call keeps a reference to a buffer it was given.
 *
 * Serial protocol
 * ---------------
 * The line starts at 9600 baud, 8 data bits, no parity, one stop bit. Every message in either direction
 * is one frame:
 *
 *   byte 0       0x01 (lead)
 *   byte 1       address: the device's address, or 0x00 for link control before negotiation
 *   byte 2       n, 0..CAMLINK_MAX_COUNT
 *   bytes 3..n+3 body (n + 1 bytes)
 *   byte n+4     XOR of bytes 2 to n + 3
 *
 * so a frame is n + 5 bytes, at most CAMLINK_REPLY_SIZE (64). A receiver skips bytes before a lead
 * byte. The computer always speaks first; the device answers each frame with exactly one frame.
 *
 * Link control (bodies start with a code of 0xF0 and above, which no AV/C response uses):
 *   negotiate   computer: address 0, body F0 01 (hello, protocol version 1)
 *               device:   address 0, body F1 <address> <capabilities high> <capabilities low>
 *                         the address the device takes from now on (never 0) and its capability bits;
 *                         bit 2 (0x0004): a second device answers at address 0xA0 (subunit 0x10)
 *   check       computer: <address>, body F4
 *               device:   <address>, body <answer>  (1 ready, 0 no cassette)
 *   speed       computer: <address>, body F2 <baud, 4 bytes, most significant first> <second>
 *               device:   <address>, body F3 <same baud>
 *               after the answer both ends use the new speed; <second> is 1 when the second device
 *               is to follow.
 *
 * AV/C commands: the program's frame is sent as it is (after its length and checksum are checked). The
 * device answers with the AV/C response in the same frame shape: body = response code, subunit,
 * opcode, operands. Response codes and the statuses they give:
 *   0x09 accepted, 0x0C stable, 0x0D changed      -> CAMLINK_OK
 *   0x08 not implemented                           -> CAMLINK_E_NOT_IMPLEMENTED
 *   0x0A rejected                                  -> CAMLINK_E_REJECTED
 *   0x0B in transition                             -> CAMLINK_E_IN_TRANSITION (reply still valid)
 *   0x0F interim (busy, final answer follows later)-> CAMLINK_E_INTERIM
 * A transport-state reply carries the transport mode (0xC1..0xC4) in the opcode position and the state
 * in the first operand (reply bytes 5 and 6). A counter reply (opcodes 0x53, 0x54) carries the counter
 * as three BCD bytes hours, minutes, seconds in reply bytes 4 to 6 in place of subunit, opcode and
 * operand, then the frames in byte 7. The device-information reply (vendor-dependent, opcode 0x00)
 * carries the information word in reply bytes 7 and 8, most significant first.
 *
 * Timing: every reply must be complete within the read time-out of the port's own settings
 * (c_cc[VTIME], tenths of a second, as the caller set it with tcsetattr; CAMLINK_DEFAULT_REPLY_MS when
 * it is 0), counted from the end of the request. A line that keeps sending bytes without a valid frame
 * cannot extend that time.
 */

#include <stdint.h>
#include <termios.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CAMLINK_API __attribute__((visibility("default")))

#define CAMLINK_LEAD 0x01
#define CAMLINK_REPLY_SIZE 64
#define CAMLINK_MAX_COUNT (CAMLINK_REPLY_SIZE - 5)
#define CAMLINK_SECOND_ADDRESS 0xA0
#define CAMLINK_CAP_SECOND_DEVICE 0x0004
#define CAMLINK_DEFAULT_REPLY_MS 1000

/* Link-control codes. */
#define CAMLINK_HELLO 0xF0
#define CAMLINK_HELLO_REPLY 0xF1
#define CAMLINK_SPEED 0xF2
#define CAMLINK_SPEED_REPLY 0xF3
#define CAMLINK_CHECK 0xF4
#define CAMLINK_PROTOCOL_VERSION 0x01

/* AV/C response codes. */
#define CAMLINK_AVC_NOT_IMPLEMENTED 0x08
#define CAMLINK_AVC_ACCEPTED 0x09
#define CAMLINK_AVC_REJECTED 0x0A
#define CAMLINK_AVC_IN_TRANSITION 0x0B
#define CAMLINK_AVC_STABLE 0x0C
#define CAMLINK_AVC_CHANGED 0x0D
#define CAMLINK_AVC_INTERIM 0x0F

/* Statuses (16-bit). */
#define CAMLINK_OK 0
#define CAMLINK_E_ARGUMENT (-1)         /* null pointer, bad descriptor, frame too long or not 0x01-led */
#define CAMLINK_E_FRAME_CHECKSUM (-2)   /* the caller's frame has a wrong checksum or count; not sent */
#define CAMLINK_E_NO_REPLY (-20)        /* no complete reply in time, or the line failed */
#define CAMLINK_E_BAD_REPLY (-21)       /* the reply's checksum, address or shape is wrong */
#define CAMLINK_E_REJECTED (-24)
#define CAMLINK_E_NOT_IMPLEMENTED (-25)
#define CAMLINK_E_INTERIM (-26)
#define CAMLINK_E_IN_TRANSITION (-28)
#define CAMLINK_E_SPEED (-30)           /* the port refused the new speed */
#define CAMLINK_E_NOT_SUPPORTED (-50)   /* data transfers: not available in this library */

/*
 * Negotiates the link on the open port `fd`. `portKind` is 1 for the two special ports, 0 otherwise
 * (accepted and not used). `settings` are the port's current settings (read, not changed). On
 * CAMLINK_OK *deviceAddress and *capabilities hold what the device answered.
 */
CAMLINK_API int16_t NegotiateDvcPc(int32_t fd, int32_t portKind, const struct termios* settings,
                                   uint8_t* deviceAddress, uint32_t* capabilities);

/* Asks the device at `deviceAddress` whether it is ready; on CAMLINK_OK reply[3] is the answer. `reply`
 * holds CAMLINK_REPLY_SIZE bytes and receives the reply frame. */
CAMLINK_API int16_t CheckConnect(int32_t fd, uint8_t deviceAddress, uint8_t* reply);

/* Sends the `length`-byte command frame and receives the reply frame into `reply`
 * (CAMLINK_REPLY_SIZE bytes, zero-filled past the frame). The reply is kept for every status from the
 * device (including CAMLINK_E_IN_TRANSITION); after CAMLINK_E_BAD_REPLY it holds the bytes received. */
CAMLINK_API int16_t DvcCommand(int32_t fd, int32_t length, const uint8_t* frame, uint8_t* reply);

/* Moves the link to `baud` (a standard rate): asks the device, then sets the port to `baud` over
 * `settings` (the other fields of `settings` are applied too). `second` is 1 when the second device
 * follows. */
CAMLINK_API int16_t ChangeSpeed(int32_t fd, uint8_t deviceAddress, const struct termios* settings, int32_t baud,
                                int32_t second);

/* Frame and picture transfers. This library does not carry them: each returns CAMLINK_E_NOT_SUPPORTED,
 * clears the counts it would have written and leaves the buffers alone. */
CAMLINK_API int16_t GetDVCData(int32_t fd, uint8_t deviceAddress, uint8_t* buffer, int32_t size, int32_t* received);
CAMLINK_API int16_t GetJpegData(int32_t fd, uint8_t deviceAddress, uint8_t* buffer, int32_t size,
                                int32_t* received);
CAMLINK_API int16_t GetDVCDataV(int32_t fd, uint8_t deviceAddress, uint8_t* buffer, int32_t size, int32_t* received,
                                int32_t variant);
CAMLINK_API int16_t GetDvInfoInPack(int32_t fd, uint8_t deviceAddress, uint8_t packId, uint8_t* pack5);
CAMLINK_API int16_t GetDvInfoInData(const uint8_t* data, int32_t size, uint8_t packId, uint8_t* pack5);
CAMLINK_API int16_t GetIrAllData(int32_t fd, uint8_t deviceAddress, uint8_t* buffer, int32_t size);
CAMLINK_API int16_t SetIrAllData(int32_t fd, uint8_t deviceAddress, const uint8_t* buffer, int32_t size);

#ifdef __cplusplus
}
#endif

#endif /* CAMLINK_H */
