/*
 * port: hardware access for small programs.
 *
 * One serial port with its modem lines, millisecond and microsecond
 * stopwatches and busy waits, a real-time priority switch, blocking sound
 * card capture and playback, the first joystick, and byte input and output
 * on processor I/O ports.
 *
 * Every export takes its arguments in 32-bit slots and returns a 32-bit
 * integer (or nothing). On 32-bit Windows the calling convention is stdcall
 * with undecorated names at fixed ordinals (port.def); elsewhere it is the
 * platform's C convention.
 *
 * Errors: the serial functions report failures through their results
 * (OPENCOM 0, READBYTE -1, TIMEOUT -1, CLOSECOM 0). A range, overflow or
 * conversion error inside a call stops that call without further effect;
 * the call then returns its "nothing" value (0 for functions whose result
 * is a count or a value, -1 where -1 already means "nothing") and
 * PORTERROR() tells which error it was.
 */
#ifndef PORT_PORT_H
#define PORT_PORT_H

#include <stdint.h>

#if defined(_WIN32)
#  define PORT_CALL __stdcall
#  if defined(PORT_BUILDING)
#    define PORT_API __declspec(dllexport)
#  else
#    define PORT_API __declspec(dllimport)
#  endif
#else
#  define PORT_CALL
#  define PORT_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Joystick 1 (ordinals 1-8). Axis values as the system reports them
 * (Linux: scaled to 0..65535); JOYBUTTON and JOYSTICK's last value are the
 * number of buttons down. Without a joystick every value is 0. */
PORT_API void    PORT_CALL JOYSTICK(int32_t* x, int32_t* y, int32_t* z, int32_t* r,
                                    int32_t* u, int32_t* v, int32_t* buttons);
PORT_API int32_t PORT_CALL JOYBUTTON(void);
PORT_API int32_t PORT_CALL JOYV(void);
PORT_API int32_t PORT_CALL JOYU(void);
PORT_API int32_t PORT_CALL JOYR(void);
PORT_API int32_t PORT_CALL JOYZ(void);
PORT_API int32_t PORT_CALL JOYY(void);
PORT_API int32_t PORT_CALL JOYX(void);

/* Sound card (ordinals 9-20). Transfers block until the buffer is done;
 * count is in samples of the current width, both channels counted.
 * SOUNDIN, SOUNDOUT and SSOUNDOUT move count - 1 samples, SSOUNDIN count.
 * A stereo count below 0 is a range error. Failures of the device show the
 * "Rivir32" box (Linux: a line on standard error). */
PORT_API void    PORT_CALL SSOUNDOUT(void* buffer, int32_t count);
PORT_API void    PORT_CALL SSOUNDIN(void* buffer, int32_t count);
PORT_API int32_t PORT_CALL SOUNDSETBYTES(int32_t bytes);
PORT_API int32_t PORT_CALL SOUNDGETBYTES(void);
PORT_API int32_t PORT_CALL SOUNDSETRATE(int32_t rate);
PORT_API int32_t PORT_CALL SOUNDGETRATE(void);
PORT_API int32_t PORT_CALL SOUNDBUSY(void);
PORT_API void    PORT_CALL SOUNDOUT(void* buffer, int32_t count);
PORT_API void    PORT_CALL SOUNDIN(void* buffer, int32_t count);
PORT_API void    PORT_CALL SOUNDCAPOUT(void);
PORT_API void    PORT_CALL SOUNDCAPIN(void);
PORT_API int32_t PORT_CALL SOUNDIS(void);

/* Timing and priority (ordinals 21-26, 39). */
PORT_API void    PORT_CALL REALTIME(int32_t flag);
PORT_API void    PORT_CALL DELAYUS(int32_t us);
PORT_API int32_t PORT_CALL TIMEREADUS(void);
PORT_API void    PORT_CALL TIMEINITUS(void);
PORT_API int32_t PORT_CALL TIMEREAD(void);
PORT_API void    PORT_CALL TIMEINIT(void);

/* Serial port (ordinals 27-38). */
PORT_API void    PORT_CALL DTR(int32_t flag);
PORT_API void    PORT_CALL TXD(int32_t flag);
PORT_API void    PORT_CALL RTS(int32_t flag);
PORT_API int32_t PORT_CALL DCD(void);
PORT_API int32_t PORT_CALL RI(void);
PORT_API int32_t PORT_CALL CTS(void);
PORT_API int32_t PORT_CALL DSR(void);
PORT_API int32_t PORT_CALL TIMEOUT(int32_t ms);
PORT_API void    PORT_CALL SENDBYTE(int32_t value);
PORT_API int32_t PORT_CALL READBYTE(void);
PORT_API int32_t PORT_CALL CLOSECOM(void);
PORT_API int32_t PORT_CALL OPENCOM(const char* mode);
PORT_API void    PORT_CALL DELAY(int32_t ms);

/* Direct I/O ports (ordinals 40-41). Where the system refuses access,
 * INPORT returns 0xFF, OUTPORT writes nothing, and PORTERROR gives 4. */
PORT_API void    PORT_CALL OUTPORT(int32_t address, int32_t value);
PORT_API int32_t PORT_CALL INPORT(int32_t address);

/* Beyond the 41: the error that stopped the last failed call (ordinal 42).
 * 0 none, 1 range error, 2 overflow error, 3 conversion error,
 * 4 access refused (the system denied INPORT/OUTPORT the I/O port).
 * Reading it clears it. */
#define PORT_ERROR_NONE           0
#define PORT_ERROR_RANGE          1
#define PORT_ERROR_OVERFLOW       2
#define PORT_ERROR_CONVERSION     3
#define PORT_ERROR_ACCESS_REFUSED 4
PORT_API int32_t PORT_CALL PORTERROR(void);

#ifdef __cplusplus
}
#endif

#endif
