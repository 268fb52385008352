#pragma once
// DECOMP: starts and stops the decoder ring (see extract.h).
#include "extraction/extract.h"
#include "platform/types.h"

// Starts decoding the open file on a producer task and returns at once. The
// task reads the handle variable when it begins; leave it unchanged until the
// file is exhausted. The first start (and the first after decompstop) builds
// the ring; a later one waits for the previous producer and continues the
// same code stream, dictionary included, in the new file. False when the
// platform refuses the ring's switches or its producer's thread: the ring then
// reads as failed (extractread gives status 0) until decompstop.
bool decompstart(platform::handle& file);

// Ends the ring: drops whatever the current file still holds, waits for the
// producer and releases the switches and the start gate. The next start
// builds a fresh ring.
void decompstop();

// Chooses the geometry of the rings built from the next first start on (not
// while a ring is built); false, changing nothing, for one outside
// ringgeometry's bounds. Until then a ring has the installer's geometry.
bool decompgeometry(const ringgeometry& geometry);

// With on, decompstart runs each producer to its end on the calling thread
// before it returns, instead of on a task of its own: for a caller whose
// stream of one file, with its end mark, always fits the ring (a producer
// that finds the ring full would wait for ever). Off at program load.
void decompsamethread(bool on);

// Lets the consumer go without waiting for the producer, which may be blocked
// in a read that never ends: every extractread, and one waiting now, returns
// at once with status 0. The producer is left where it is, to end with the
// process; decompstop takes the abandonment back and drains as usual. Safe
// from any thread.
void decompabandon();
