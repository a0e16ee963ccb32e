/*
 * port: hardware access for small programs.
 *
 * One serial port with its modem lines and their timed edges, millisecond and microsecond
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
 * (OPENCOM 0, READBYTE -1, TIMEOUT -1, CLOSECOM 0); SENDBYTE, RTS, DTR and
 * TXD fail silently. A range, overflow or conversion error inside a call
 * stops that call without further effect; the call then returns its
 * "nothing" value (0 for functions whose result is a count or a value, -1
 * where -1 already means "nothing") and PORTERROR() tells which error it was.
 *
 * State is process-wide and unguarded: call the library from one thread
 * (the library's own threads that record line edges excepted).
 * Loading the library closes the serial port and the wave devices (nothing
 * is open then); unloading it closes them again, in the same order.
 */
#ifndef PORT_PORT_H
#define PORT_PORT_H

#include <stdint.h>

#if defined(_WIN32)
#  define PORT_CALL __stdcall
/* port.def alone makes the export table: plain names at fixed ordinals. */
#  if defined(PORT_BUILDING)
#    define PORT_API
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

/* Timing and priority (ordinals 21-26, 39).
 *
 * The millisecond stopwatch runs on a 32-bit millisecond clock (timeGetTime
 * on Windows, CLOCK_MONOTONIC in ms on Linux) that wraps every 2^32 ms
 * (about 49.7 days). TIMEREAD and DELAY take their differences modulo 2^32,
 * so a wrap between start and read, or during a wait, changes nothing.
 * The microsecond stopwatch runs on a high-resolution counter
 * (QueryPerformanceCounter, or CLOCK_MONOTONIC in ns with 1e9 counts/s).
 * Waits are busy loops: they never sleep or yield. */

/* REALTIME(flag): flag != 0 raises the caller to real-time priority, 0
 * returns it to normal (whatever it was before). Windows: the process
 * priority class (REALTIME_PRIORITY_CLASS / NORMAL_PRIORITY_CLASS). Linux:
 * the calling thread's policy (SCHED_FIFO at its lowest priority /
 * SCHED_OTHER). A refused change is silent. */
PORT_API void    PORT_CALL REALTIME(int32_t flag);
/* DELAYUS(us): restarts the microsecond stopwatch (as TIMEINITUS) and spins
 * until TIMEREADUS gives us or more; us <= 0 returns after one read.
 * Stops with TIMEREADUS's errors. */
PORT_API void    PORT_CALL DELAYUS(int32_t us);
/* TIMEREADUS(): microseconds since the last TIMEINITUS or DELAYUS, rounded
 * to the nearest, halves to even; 0 before the first start. Overflow error
 * if the counter difference overflows 64 bits, range error past
 * 2147483647 us (about 35 min 47 s); both return 0. */
PORT_API int32_t PORT_CALL TIMEREADUS(void);
/* TIMEINITUS(): starts the microsecond stopwatch. Range error, stopwatch
 * unchanged, on a system whose counter reports no frequency. */
PORT_API void    PORT_CALL TIMEINITUS(void);
/* TIMEREAD(): milliseconds since the last TIMEINIT (the raw millisecond
 * clock before the first TIMEINIT), modulo 2^32. Range error, result 0,
 * when 2^31 ms or more have passed. */
PORT_API int32_t PORT_CALL TIMEREAD(void);
/* TIMEINIT(): starts the millisecond stopwatch. */
PORT_API void    PORT_CALL TIMEINIT(void);

/* Serial port (ordinals 27-38) and DELAY (39).
 *
 * One port at a time. Device names: on Windows the system's (COM1, COM2,
 * ...). On Linux "COMn" is /dev/ttyS(n-1) unless the environment variable
 * PORT_COMn or a line "COMn = target" in $XDG_CONFIG_HOME/port/serial.conf
 * (default ~/.config/port/serial.conf) maps it elsewhere, e.g. to
 * /dev/ttyUSB0, or to "virtual:<socket>", the virtual IR receiver; a device
 * name that is a path (/dev/pts/3) is opened as is.
 * Windows opens the port unshared: while another program holds it, OPENCOM
 * gives 0. Linux has no such open; the library takes an flock on the device
 * and sets TIOCEXCL. So a port that another program holds with flock or in
 * exclusive mode gives 0, and while the library holds it, other programs'
 * opens fail (EBUSY). Not covered: a program that opened the device without
 * either (it then shares the line unnoticed; UUCP lock files in /var/lock are
 * neither checked nor written), and root, whose opens TIOCEXCL does not stop. */

/* DTR(flag), RTS(flag): flag != 0 raises the line, 0 lowers it. TXD(flag):
 * flag != 0 holds the transmit line in the break (spacing) state, 0 ends
 * it. No port open, or a port without the line: nothing happens. */
PORT_API void    PORT_CALL DTR(int32_t flag);
PORT_API void    PORT_CALL TXD(int32_t flag);
PORT_API void    PORT_CALL RTS(int32_t flag);
/* DCD(), RI(), CTS(), DSR(): 1 when the input line is set, else 0; read
 * afresh on every call (one system call, nothing cached). 0 when no port is
 * open or its modem status cannot be read (a pseudo-terminal has none). */
PORT_API int32_t PORT_CALL DCD(void);
PORT_API int32_t PORT_CALL RI(void);
PORT_API int32_t PORT_CALL CTS(void);
PORT_API int32_t PORT_CALL DSR(void);
/* TIMEOUT(ms): gives the open port read and write timeouts built from ms
 * (a one-byte read then waits at most 1 + ms milliseconds) and returns the
 * previous value (30 until changed). -1, nothing changed, when no port is
 * open or the port refuses. ms < 0: range error, -1, nothing changed. The
 * value is kept for the next OPENCOM. */
PORT_API int32_t PORT_CALL TIMEOUT(int32_t ms);
/* SENDBYTE(value): sends the low 8 bits of value, then busy-waits 2 ms on
 * the millisecond clock. No port open: nothing. */
PORT_API void    PORT_CALL SENDBYTE(int32_t value);
/* READBYTE(): the next received byte (0..255); -1 when no port is open,
 * nothing arrived within the timeouts, or the read failed. */
PORT_API int32_t PORT_CALL READBYTE(void);
/* CLOSECOM(): closes the port. Nonzero when an open port was closed, 0 when
 * none was open or the close failed; no port is open afterwards. */
PORT_API int32_t PORT_CALL CLOSECOM(void);
/* OPENCOM(mode): mode is "NAME:" plus optional settings in the system's mode
 * syntax, short ("COM1:9600,N,8,1" with an optional fifth field x or p) or
 * with keywords ("COM1: baud=9600 parity=N data=8 stop=1 to=off xon=off
 * odsr=off octs=off dtr=on rts=on idsr=off"); baud rates may be abbreviated
 * to two digits (96 = 9600, 19 = 19200). NULL counts as "". First closes any
 * open port, in every case. Then opens the device named before the first
 * colon, sets binary mode with no parity check and no flow control, applies
 * the settings (unset ones stay as the device had them; a string that cannot
 * be read changes none), applies the stored timeouts and raises RTS; DTR is
 * left off unless the settings raise it (a short form raises DTR, as the
 * system's parser does). Returns the port number, the fourth character of
 * mode as a digit ("COM1:" and "COM10:" both give 1), else 0:
 *   - no colon, or the device cannot be opened (absent, held by another
 *     program): 0, no port open;
 *   - the port does not take the settings or timeouts: 0, the port stays
 *     open unconfigured (CLOSECOM or the next OPENCOM closes it). On Linux
 *     this includes settings that termios cannot carry: 1.5 stop bits with 6
 *     to 8 data bits, 2 with 5, odsr=on, idsr=on, dtr=hs, rts=tg, and octs=on
 *     without rts=hs or the reverse (the short form's "p" among them);
 *   - the fourth character is not a digit: conversion error, 0, the port
 *     stays open and configured, RTS not raised. */
PORT_API int32_t PORT_CALL OPENCOM(const char* mode);
/* DELAY(ms): busy-waits until the millisecond clock has advanced by ms
 * (modulo 2^32). ms < 0: range error, returns at once. */
PORT_API void    PORT_CALL DELAY(int32_t ms);

/* Direct I/O ports (ordinals 40-41). Where the system refuses access,
 * INPORT returns 0xFF, OUTPORT writes nothing, and PORTERROR gives 4. */
PORT_API void    PORT_CALL OUTPORT(int32_t address, int32_t value);
PORT_API int32_t PORT_CALL INPORT(int32_t address);

/* Beyond the 41 (ordinal 42): PORTERROR() gives the error of the latest call
 * that stopped with one since PORTERROR was last called: 0 none, 1 range
 * error, 2 overflow error, 3 conversion error, 4 access refused (the system
 * denied INPORT/OUTPORT the I/O port), 5 out of memory, 6 any other failure
 * inside the library. No exception ever leaves an export: a call that stops
 * returns its "nothing" value (0, or -1 where -1 means "nothing", or no
 * result). Calls that run through leave it as it is; reading it clears it. */
#define PORT_ERROR_NONE           0
#define PORT_ERROR_RANGE          1
#define PORT_ERROR_OVERFLOW       2
#define PORT_ERROR_CONVERSION     3
#define PORT_ERROR_ACCESS_REFUSED 4
#define PORT_ERROR_OUT_OF_MEMORY  5
#define PORT_ERROR_INTERNAL       6
PORT_API int32_t PORT_CALL PORTERROR(void);

/* Timed line edges (ordinals 43-45).
 *
 * While a port is open the library records every change of DCD with the
 * moment it happened, on the counter that TIMEREADUS reads, in a buffer that
 * holds about 17 s of IR frames sent back to back (16384 changes; when it is
 * full the oldest change goes and the loss is reported). A caller that times
 * a frame from these moments gets the same lengths however late it runs.
 *
 * Where the changes come from depends on what the COM name maps to:
 *   - "lirc:/dev/lircN": a Linux IR receiver that reports pulse and space
 *     lengths (LIRC mode2). The kernel times the edges in its interrupt
 *     handler. OPENCOM fails for a device that cannot report lengths. DCD()
 *     reads the current level (1 while no IR light is seen); CTS, DSR and
 *     RI read 0; RTS, DTR, TXD, SENDBYTE and TIMEOUT act on nothing
 *     (TIMEOUT stores and returns its value as usual); READBYTE gives -1
 *     after the read timeout. Such a receiver is powered by the system, not
 *     from RTS.
 *   - "virtual:<socket>": the virtual receiver's exact edges.
 *   - a serial port (Linux: a tty device; Windows: COMn): a thread of the
 *     library sleeps until the serial driver reports a change of DCD
 *     (Linux: TIOCMIWAIT, with the driver's change count TIOCGICOUNT;
 *     Windows: WaitCommEvent for EV_RLSD), takes the time when it wakes, at
 *     real-time (Linux, where the system allows it) or time-critical
 *     (Windows) priority, and reads the level. Every change is recorded or
 *     reported lost (-2): several changes at one wake, or a level found
 *     unturned where it should have turned (two reports that find the same
 *     level are a lost pair), or a change found without a wake of its own.
 *     The line counts as known (the -1 answer) only up to the last look that
 *     found nothing unrecorded. The times are only as good as that thread's
 *     wake-up. A device that cannot report DCD's changes (a pseudo-terminal,
 *     a driver that refuses the wait) records no edges: EDGES() gives 0.
 *
 * Times: EDGEREAD's time (of a change, and of the -1 answer) is what the
 * microsecond stopwatch read at that moment, taken modulo 2^32 as a signed
 * 32-bit number: it wraps every 2^32 us (about 71.6 min), as a difference of
 * two such readings does, and never stops with TIMEREADUS's range error
 * (TIMEREADUS itself keeps it: 0 and a range error once more than
 * 2147483647 us have passed since TIMEINITUS). Place an edge by its signed
 * 32-bit difference from a time read not long before (the last -1 answer,
 * or 0 right after a TIMEINITUS): within +-35 min that difference is exact,
 * however long ago the stopwatch was started. A change EDGEREAD has taken
 * is never lost to its time. */

/* EDGES(): how the open port's edges are timed: 0 no port open or none
 * recorded (poll DCD), 1 by the kernel's IR driver, 2 by a thread watching
 * the modem lines, 3 exactly (virtual receiver). */
#define PORT_EDGES_NONE    0
#define PORT_EDGES_KERNEL  1
#define PORT_EDGES_WATCHER 2
#define PORT_EDGES_EXACT   3
PORT_API int32_t PORT_CALL EDGES(void);
/* EDGEREAD(time): takes the oldest recorded change. Returns DCD's new level
 * (1 or 0) and stores the change's time in *time. When none is waiting: -1,
 * and *time tells up to when the line is known to have kept its level (a
 * change before that moment can no longer arrive). -2: changes were lost
 * just before the next one (buffer full, or the receiver's own overflow);
 * reported once. -3: the source has ended (the receiver went away; a line on
 * standard error names it); no change follows. -4: no port is open, or it
 * records no edges. time NULL: range error, -1. */
PORT_API int32_t PORT_CALL EDGEREAD(int32_t* time);
/* EDGEREAD's results besides a level. */
#define PORT_EDGE_NONE_WAITING (-1)
#define PORT_EDGE_LOST         (-2)
#define PORT_EDGE_ENDED        (-3)
#define PORT_EDGE_NO_SOURCE    (-4)
/* EDGEWAIT(ms): sleeps until EDGEREAD has something other than -1 to give,
 * at most ms milliseconds. 1 something waits, 0 time ran out, -1 no port or
 * no edges (returns at once). ms < 0: range error, -1. */
PORT_API int32_t PORT_CALL EDGEWAIT(int32_t ms);

#ifdef __cplusplus
}
#endif

#endif
