// The processor's AES and SHA-256 instructions, used in place of the table-driven AES and the
// portable SHA-256 wherever the processor has them.
#pragma once

// Turns the instruction paths on (each one only where the processor has its instructions) or
// off, for the whole process, and returns whether any of them is now in use. They are on from
// start-up; only tests and benchmarks turn them off, to run the portable code on the same
// machine. Not to be called while another thread is encrypting or hashing.
bool setHardwareCrypto(bool on);
