// The host-event queue of the main event loop and the proxy through which any thread posts
// texts (page-call scripts or the quit token) to it.
//
// The queue is the main thread's own message queue: a hidden message-only window receives one
// message per text, carrying the text, so posting never blocks, texts keep their order, and a
// text whose message cannot be posted (the loop's thread is gone, or its queue is full) is
// dropped without a word.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// A handle to the queue; copy it to clone it. Copies may be used from any thread.
struct EventLoopProxy {
  HWND target = nullptr;
};

// Creates the queue's window on the calling thread (which must then run a message loop for
// the texts to be handled). handle_event runs on that thread for each text, one at a time, in
// the order posted. None when the window cannot be made.
std::optional<EventLoopProxy> create_host_event_queue(std::function<void(std::string)> handle_event);

// Posts one text; false when it was dropped. Every sender may ignore the answer.
bool post_host_event(const EventLoopProxy& proxy, std::string text);
