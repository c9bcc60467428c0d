#pragma once

// While an exchange with the device waits, the windows stay painted and keep answering the
// desktop (which would otherwise offer to kill a program that does not respond during a 22 s
// upload), but they take no input: a click or key press made then is dropped, never acted on
// once the exchange is over. A close request then is refused. The busy cursor shows from the
// first wait until the program is idle again.
//
// Runs at most every few tens of milliseconds unless `now` is set. Timers wait until later;
// posted events (painting among them) are delivered.
void keepWindowsPainted(bool now = false);
