// The widget library's worker thread, started and stopped with the main frame.
// Jobs posted to it run one after another, in posting order.
#pragma once

#include <functional>

// Starts the worker; TRUE-like true when it runs afterwards (starting twice is harmless).
bool gStartThreadProg();
// Stops the worker after the job in hand; jobs not started yet are dropped.
void gEndThreadProg();
bool gIsThreadProgRunning();
// Queues a job; false (the job dropped) when the worker does not run.
bool gPostThreadProg(std::function<void()> job);
