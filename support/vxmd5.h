// MD5 (RFC 1321) and keyed MD5 (HMAC-MD5, RFC 2104) as upper-case hex text.
#pragma once

#include "support/vxapi.h"

// The MD5 context: Init, any number of Updates, Final.
class VX_API CMd5A {
public:
    CMd5A();
    virtual ~CMd5A();

    // The RFC 1321 chaining values and a count of 0.
    void Init();
    // Adds nLength bytes of input.
    void Update(const unsigned char* lpInput, unsigned int nLength);
    // Pads, writes the 16 digest bytes and clears the input buffer.
    void Final(unsigned char digest[16]);
    // The compression function over one 64-byte block.
    void Transform(const unsigned char block[64]);

private:
    unsigned int m_state[4];
    // The message length in bits, low word first.
    unsigned int m_count[2];
    unsigned char m_buffer[64];
};

// Replaces the zero-terminated text in lpData by its 32-character upper-case
// hex digest and a terminator (33 bytes: lpData must hold at least that).
// With a key (zero-terminated, null for none) the digest is HMAC-MD5 under
// it; a key longer than 64 bytes is replaced by its digest first, and an
// empty key is a key too. 0 when lpData is null, else 1. Each call builds
// its text in its own buffer, so threads may hash at the same time.
VX_CAPI int MD5Go(char* lpData, const char* lpKey);
