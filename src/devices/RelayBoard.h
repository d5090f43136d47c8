// The relay board that switches the six solenoid valves V1..V6 and reads the
// bubbler's bead thermistor through its analogue input. Every command is one
// transaction that begins with the byte 254 and waits for the board's reply.
//
// The line settings every user applies: 115200 baud, 8 data bits, no parity,
// two stop bits, poll 5 ms, read-out time-out 50 ms (UseRelayBoardSettings).
#pragma once

#include "devices/SerialPort.h"

#include <cstdint>
#include <optional>

// Applies the relay board's line settings (and the trace switch) to a port.
void UseRelayBoardSettings(TSerialPort& Port, bool Debug = false);

// Each command leaves the line dirty (TLineGuard) when its reply cannot be the
// board's answer to it.

// Sends 254 33. The board is present and working when the first reply byte
// is 85 (RelayBoardSelfTestPassed).
TSerialResponse RelayBoardSelfTest(TSerialPort& Port, TSerialResponse Response = {});
// Sends 254 40 Mask: bit 0 = V1 .. bit 5 = V6, a set bit opens the valve. Bits
// 6 and 7 are always sent as 0. The board confirms with the one byte 85
// (RelayBoardRelaysConfirmed).
TSerialResponse RelayBoardSetRelays(TSerialPort& Port, uint8_t Mask, TSerialResponse Response = {});
// Sends 254 158; the board answers the 10-bit reading in two bytes, most
// significant first (RelayBoardADCReading).
TSerialResponse RelayBoardReadADC(TSerialPort& Port, TSerialResponse Response = {});

// The valve mask of six 0/1 valve states: V1 + 2 V2 + 4 V3 + 8 V4 + 16 V5 + 32 V6.
uint8_t RelayBoardMask(int V1, int V2, int V3, int V4, int V5, int V6);

// Reply byte Index (1-based) of the last transaction on Response, or 0 when
// the byte did not arrive (failed transaction or shorter reply).
int RelayBoardReplyByte(const TSerialResponse& Response, int Index);
// True when the self-test was answered with 85 as its first byte.
bool RelayBoardSelfTestPassed(const TSerialResponse& Response);
// True when the board answered a relay command with the one byte 85: the
// relays have taken the mask. No reply, another byte, or more than the one
// byte (an earlier answer, a garbled one) is no confirmation.
bool RelayBoardRelaysConfirmed(const TSerialResponse& Response);
// The ADC reading of a RelayBoardReadADC reply: its first two bytes, most
// significant first. A failed transaction, and a reply cut short before its
// second byte (whose first byte alone would read as a wrong number), read 0:
// no measurement.
int RelayBoardADCReading(const TSerialResponse& Response);

// Resistance in ohm of the bead thermistor, the lower leg of a divider fed
// from 5 V through 10 000 ohm: V = Reading x 5 / 1024, f = V / 5,
// R = 10 000 f / (1 - f). No measurement (nullopt) for the reading 0 and for
// readings beyond the converter's range 0..1023, where the formula divides by
// zero or turns negative.
std::optional<double> BubblerThermistorResistance(int Reading);
