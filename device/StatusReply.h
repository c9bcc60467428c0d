#pragma once

// The device's two-byte status reply: "OK" to go on, anything else a refusal ("ER" or other
// bytes). After a refusal most exchanges send one byte more, which is read and dropped so that
// it does not meet the next exchange.

class SerialLink;

enum class Status {
    Ok,
    ER,      // refused with "ER"
    Other,   // refused with any other two bytes
    TimedOut,
};

// What the device sends after a refusal, by exchange.
enum class AfterRefusal {
    OneMoreByte,        // after any reply but "OK"
    OneMoreByteAfterER, // only after "ER"
    Nothing,
};

// Receives the reply (into the link's buffer) and, after a refusal, the byte that follows it.
Status readStatus(SerialLink &link, AfterRefusal after);
