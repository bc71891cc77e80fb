// The number of waiting mails, shared between the mailbox worker thread that
// finds it and the time events that write it in the sky.
#pragma once

#include <atomic>

// Waiting mails found by the last successful mailbox check, 0 until then.
// One atomic value: a reader sees the old or the new count, never half of one.
extern std::atomic<int> MailCount;
