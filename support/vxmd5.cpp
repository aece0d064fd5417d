#include "support/vxmd5.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// Per-round shift amounts, RFC 1321 section 3.4.
const unsigned char kShift[4][4] = {
    {7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

inline unsigned int Rotl(unsigned int x, int n) {
    return (x << n) | (x >> (32 - n));
}

void Encode(unsigned char* out, const unsigned int* in, size_t words) {
    for (size_t i = 0; i < words; ++i)
        for (int b = 0; b < 4; ++b)
            out[i * 4 + b] = static_cast<unsigned char>(in[i] >> (8 * b));
}

// Feeds a text of any length, in pieces the context's length type takes.
void UpdateText(CMd5A& md5, const char* text, size_t length) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (length > 0) {
        unsigned int n = length > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(length);
        md5.Update(p, n);
        p += n;
        length -= n;
    }
}

void Digest(const char* text, size_t length, unsigned char digest[16]) {
    CMd5A md5;
    UpdateText(md5, text, length);
    md5.Final(digest);
}

void Hmac(const char* key, const char* data, unsigned char digest[16]) {
    unsigned char block[64] = {};
    size_t keyLength = strlen(key);
    if (keyLength > sizeof(block))
        Digest(key, keyLength, block);
    else
        memcpy(block, key, keyLength);

    unsigned char pad[64];
    for (size_t i = 0; i < sizeof(pad); ++i)
        pad[i] = block[i] ^ 0x36;
    unsigned char inner[16];
    CMd5A md5;
    md5.Update(pad, sizeof(pad));
    UpdateText(md5, data, strlen(data));
    md5.Final(inner);

    for (size_t i = 0; i < sizeof(pad); ++i)
        pad[i] = block[i] ^ 0x5C;
    md5.Init();
    md5.Update(pad, sizeof(pad));
    md5.Update(inner, sizeof(inner));
    md5.Final(digest);
}

} // namespace

CMd5A::CMd5A() {
    Init();
    memset(m_buffer, 0, sizeof(m_buffer));
}

CMd5A::~CMd5A() = default;

void CMd5A::Init() {
    m_state[0] = 0x67452301;
    m_state[1] = 0xEFCDAB89;
    m_state[2] = 0x98BADCFE;
    m_state[3] = 0x10325476;
    m_count[0] = m_count[1] = 0;
}

void CMd5A::Update(const unsigned char* lpInput, unsigned int nLength) {
    if (!lpInput || nLength == 0)
        return;
    unsigned int index = (m_count[0] >> 3) & 0x3F;
    unsigned int bitsLow = nLength << 3;
    m_count[0] += bitsLow;
    if (m_count[0] < bitsLow)
        ++m_count[1];
    m_count[1] += nLength >> 29;

    unsigned int room = 64 - index;
    unsigned int i = 0;
    if (nLength >= room) {
        memcpy(m_buffer + index, lpInput, room);
        Transform(m_buffer);
        for (i = room; nLength - i >= 64; i += 64)
            Transform(lpInput + i);
        index = 0;
    }
    memcpy(m_buffer + index, lpInput + i, nLength - i);
}

void CMd5A::Final(unsigned char digest[16]) {
    unsigned char bits[8];
    Encode(bits, m_count, 2);
    unsigned int index = (m_count[0] >> 3) & 0x3F;
    unsigned int padLength = index < 56 ? 56 - index : 120 - index;
    static const unsigned char kPadding[64] = {0x80};
    Update(kPadding, padLength);
    Update(bits, 8);
    Encode(digest, m_state, 4);
    memset(m_buffer, 0, sizeof(m_buffer));
}

void CMd5A::Transform(const unsigned char block[64]) {
    unsigned int x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = static_cast<unsigned int>(block[i * 4]) |
               static_cast<unsigned int>(block[i * 4 + 1]) << 8 |
               static_cast<unsigned int>(block[i * 4 + 2]) << 16 |
               static_cast<unsigned int>(block[i * 4 + 3]) << 24;
    unsigned int a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    for (int i = 0; i < 64; ++i) {
        unsigned int f;
        int k;
        switch (i / 16) {
        case 0:
            f = (b & c) | (~b & d);
            k = i;
            break;
        case 1:
            f = (b & d) | (c & ~d);
            k = (5 * i + 1) % 16;
            break;
        case 2:
            f = b ^ c ^ d;
            k = (3 * i + 5) % 16;
            break;
        default:
            f = c ^ (b | ~d);
            k = (7 * i) % 16;
            break;
        }
        // T[i] = floor(2^32 * |sin(i + 1)|), RFC 1321 section 3.4.
        static const unsigned int kT[64] = {
            0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
            0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
            0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
            0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
            0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
            0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
            0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
            0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
            0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
            0xeb86d391};
        unsigned int t = d;
        d = c;
        c = b;
        b = b + Rotl(a + f + kT[i] + x[k], kShift[i / 16][i % 4]);
        a = t;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
}

int MD5Go(char* lpData, const char* lpKey) {
    if (!lpData)
        return 0;
    unsigned char digest[16];
    if (lpKey)
        Hmac(lpKey, lpData, digest);
    else
        Digest(lpData, strlen(lpData), digest);
    // The text is built here, on this call's stack, never in a shared buffer.
    static const char kHex[] = "0123456789ABCDEF";
    char text[33];
    for (int i = 0; i < 16; ++i) {
        text[2 * i] = kHex[digest[i] >> 4];
        text[2 * i + 1] = kHex[digest[i] & 15];
    }
    text[32] = '\0';
    memcpy(lpData, text, sizeof(text));
    return 1;
}
