// The MD5 message digest (RFC 1321) as a streaming context.
#pragma once

#include <cstdint>

struct Md5Context {
    std::uint32_t state[4];  // A, B, C, D: the chaining value
    std::uint32_t count[2];  // message length in bits modulo 2^64, low word first
    unsigned char buffer[64];  // the partial block; (count[0] / 8) % 64 bytes are in use
};

// Starts a digest. The caller clears the whole context before, so the buffer holds zeros.
void md5_init(Md5Context& context);

// Feeds length bytes. A length of 0 changes nothing.
void md5_update(Md5Context& context, const unsigned char* input, std::uint32_t length);

// Pads, appends the bit length and writes A, B, C, D least significant byte first into digest.
// Clears the context afterwards.
void md5_final(unsigned char digest[16], Md5Context& context);

// Compresses one 64-byte block into the four state words.
void md5_transform(std::uint32_t state[4], const unsigned char block[64]);
