#pragma once

//! Dispatches every window message waiting for this thread, so the window
//! keeps painting during waits and update loops. Returns false if the
//! application is quitting; without a GUI it dispatches nothing and returns true.
bool PumpWaitingMessages();
