// MD5 and HMAC-MD5, DES and the reversible text encoding, each against
// published vectors: the RFC 1321 test suite, the RFC 2202 HMAC-MD5 cases
// (all of them: none has a zero byte in its key or data), the NBS/NIST DES
// known answers of SP 800-20 (the tables of NBS SP 500-20) and the ECB
// example of FIPS 81.
#include "support/vxdes.h"
#include "support/vxencode.h"
#include "support/vxmd5.h"
#include "tests/support/guardpage.h"

#include <gtest/gtest.h>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace vxtest;

namespace {

std::string Md5(const std::string& data, const char* key = nullptr) {
    std::vector<char> buf(data.begin(), data.end());
    buf.resize(data.size() < 33 ? 33 : data.size() + 1, '\0');
    EXPECT_EQ(MD5Go(buf.data(), key), 1);
    return buf.data();
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

TEST(Md5, Rfc1321TestSuiteInUpperCase) {
    const char* const suite[][2] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& row : suite)
        EXPECT_EQ(Md5(row[0]), row[1]) << "MD5(\"" << row[0] << "\")";

    // The context fed in pieces across block boundaries gives the same digest.
    const std::string text = suite[6][0];
    for (unsigned first : {0u, 1u, 55u, 56u, 63u, 64u, 65u}) {
        CMd5A md5;
        md5.Update(reinterpret_cast<const unsigned char*>(text.data()), first);
        md5.Update(reinterpret_cast<const unsigned char*>(text.data()) + first,
                   static_cast<unsigned>(text.size()) - first);
        unsigned char digest[16];
        md5.Final(digest);
        EXPECT_EQ(Hex(std::string(reinterpret_cast<char*>(digest), 16)), suite[6][1]) << first;
    }

    EXPECT_EQ(MD5Go(nullptr, nullptr), 0);
    EXPECT_EQ(MD5Go(nullptr, "key"), 0);
}

TEST(Md5, Rfc2202HmacVectors) {
    struct Row {
        std::string key, data;
        const char* digest;
    };
    std::string key25;
    for (char c = 1; c <= 25; ++c)
        key25 += c;
    const Row rows[] = {
        {std::string(16, '\x0b'), "Hi There", "9294727A3638BB1C13F48EF8158BFC9D"},
        {"Jefe", "what do ya want for nothing?", "750C783E6AB0B503EAA86E310A5DB738"},
        {std::string(16, '\xaa'), std::string(50, '\xdd'), "56BE34521D144C88DBB8C733F0E8B3F6"},
        {key25, std::string(50, '\xcd'), "697EAF0ACA3A3AEA3A75164746FFAA79"},
        {std::string(16, '\x0c'), "Test With Truncation", "56461EF2342EDC00F9BAB995690EFD4C"},
        // Keys longer than a block: hashed first.
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "6B1AB7FE4BD7BF8F0B62E6CE61B9D0CD"},
        {std::string(80, '\xaa'),
         "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
         "6F630FAD67CDA0EE1FB1F562DB3AA53E"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Md5(r.data, r.key.c_str()), r.digest) << "data " << r.data;
}

TEST(Md5, A65ByteKeyActsAsItsDigest) {
    // One byte over the block: the key is replaced by its 16-byte digest,
    // which for this key holds no zero byte and so can be passed as a key.
    const std::string key(65, '\xaa');
    const std::string digestKey = FromHex(Md5(key));
    ASSERT_EQ(digestKey.size(), 16u);
    ASSERT_EQ(digestKey.find('\0'), std::string::npos);
    for (const char* data : {"", "Hi There", "what do ya want for nothing?"})
        EXPECT_EQ(Md5(data, key.c_str()), Md5(data, digestKey.c_str())) << data;
    // A key of exactly 64 bytes is used as it is.
    const std::string key64(64, '\xaa');
    EXPECT_NE(Md5("Hi There", key64.c_str()), Md5("Hi There", FromHex(Md5(key64)).c_str()));
}

TEST(Md5, WritesExactly33BytesAndThreadsGetTheirOwnText) {
    GuardedBlock block(33);
    ASSERT_TRUE(block.ok());
    char* data = block.Tail<char>(33);
    strcpy(data, "abc");
    ASSERT_EQ(MD5Go(data, nullptr), 1);
    EXPECT_STREQ(data, "900150983CD24FB0D6963F7D28E17F72");
    strcpy(data, "Hi There");
    const std::string key(16, '\x0b');
    ASSERT_EQ(MD5Go(data, key.c_str()), 1);
    EXPECT_STREQ(data, "9294727A3638BB1C13F48EF8158BFC9D");

    // Each thread hashes its own vector over and over, plain and keyed; a
    // shared text buffer would hand some of them another thread's digest.
    const char* const inputs[][2] = {
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
    };
    std::vector<int> wrong(8, 0);
    std::vector<std::thread> threads;
    std::atomic<bool> go{false};
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            while (!go)
                std::this_thread::yield();
            const bool keyed = t >= 4;
            const char* input = keyed ? "what do ya want for nothing?" : inputs[t][0];
            const char* expected = keyed ? "750C783E6AB0B503EAA86E310A5DB738" : inputs[t][1];
            const char* hmacKey = keyed ? "Jefe" : nullptr;
            for (int i = 0; i < 10000; ++i) {
                char buf[64];
                strcpy(buf, input);
                MD5Go(buf, hmacKey);
                wrong[t] += strcmp(buf, expected) != 0;
            }
        });
    go = true;
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(wrong, std::vector<int>(8, 0));
}

struct DesVector {
    const char* key;
    const char* plain;
    const char* cipher;
};

const DesVector kDesVectors[] = {
    // SP 800-20 Table A.1, variable plaintext (key 0101...01).
    {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
    {"0101010101010101", "2000000000000000", "2E8653104F3834EA"},
    {"0101010101010101", "0000000000000002", "06E7EA22CE92708F"},
    {"0101010101010101", "0000000000000001", "166B40B44ABA4BD6"},
    // Table A.2, variable key (plaintext 0).
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"4001010101010101", "0000000000000000", "0EEC1487DD8C26D5"},
    {"2001010101010101", "0000000000000000", "7AD16FFB79C45926"},
    {"0101010101010102", "0000000000000000", "869EFD7F9F265A09"},
    // Table A.3, permutation operation (plaintext 0).
    {"1046913489980131", "0000000000000000", "88D55E54F54C97B4"},
    {"1007103489988020", "0000000000000000", "0C0CC00C83EA48FD"},
    {"10071034C8980120", "0000000000000000", "83BC8EF3A6570183"},
    // Table A.4, substitution table.
    {"7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "7A389D10354BD271"},
    {"07A1133E4A0B2686", "0248D43806F67172", "868EBB51CAB4599A"},
    {"3849674C2602319E", "51454B582DDF440A", "7178876E01F19B2A"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "AF37FB421F8C4095"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "86A560F10EC6D85B"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "0CD3DA020021DC09"},
    {"43297FAD38E373FE", "762514B829BF486A", "EA676B2CB7DB2B7A"},
    {"07A7137045DA2A16", "3BDD119049372802", "DFD64A815CAF1A0F"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "5C513C9C4886C088"},
    {"37D06BB516CB7546", "164D5E404F275232", "0A2AEEAE3FF4AB77"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "EF1BF03E5DFA575A"},
    {"584023641ABA6176", "004BD6EF09176062", "88BF0DB6D70DEE56"},
    {"025816164629B007", "480D39006EE762F2", "A1F9915541020B56"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "6FBF1CAFCFFD0556"},
    {"4FB05E1515AB73A7", "072D43A077075292", "2F22E49BAB7CA1AC"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "5A6B612CC26CCE4A"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "5F4C038ED12B2E41"},
    {"1C587F1C13924FEF", "305532286D6F295A", "63FAC0D034D9F793"},
};

// FIPS 81 Appendix B, ECB: "Now is the time for all " under 0123456789ABCDEF.
const char kFips81Key[] = "0123456789ABCDEF";
const char kFips81Plain[] = "Now is the time for all ";
const char kFips81Cipher[] = "3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53";

std::string Des(const std::string& key, std::string bytes, bool encrypt) {
    DesGo(key.data(), &bytes[0], static_cast<int>(bytes.size()), encrypt ? 1 : 0);
    return bytes;
}

TEST(Des, KnownAnswersEncryptAndDecrypt) {
    for (const DesVector& v : kDesVectors) {
        std::string key = FromHex(v.key), plain = FromHex(v.plain), cipher = FromHex(v.cipher);
        EXPECT_EQ(Hex(Des(key, plain, true)), v.cipher) << "key " << v.key << " plain " << v.plain;
        EXPECT_EQ(Hex(Des(key, cipher, false)), v.plain)
            << "key " << v.key << " cipher " << v.cipher;
        // The parity bits (the low bit of each key byte) do not count.
        std::string flipped = key;
        for (char& c : flipped)
            c ^= 1;
        EXPECT_EQ(Hex(Des(flipped, plain, true)), v.cipher) << "key " << v.key << " flipped";
    }
    // Three blocks in ECB mode.
    std::string key = FromHex(kFips81Key);
    EXPECT_EQ(Hex(Des(key, kFips81Plain, true)), kFips81Cipher);
    EXPECT_EQ(Des(key, FromHex(kFips81Cipher), false), kFips81Plain);
}

TEST(Des, OnlyWholeBlocksChange) {
    const std::string key = FromHex(kFips81Key);
    // Length 12: the first block is enciphered, the last 4 bytes stay.
    std::string text = "Now is the t";
    EXPECT_EQ(Hex(Des(key, text, true)), "3FA40E8A984D4815" + Hex("he t"));
    EXPECT_EQ(Des(key, FromHex("3FA40E8A984D4815") + "he t", false), text);
    // Length 7, 0 and below: nothing changes.
    for (int length : {7, 0, -8}) {
        std::string buf = "Now is the time";
        DesGo(key.data(), &buf[0], length, 1);
        EXPECT_EQ(buf, "Now is the time") << length;
    }
    // A bounded buffer: 12 bytes right before the guard page.
    GuardedBlock block(12);
    ASSERT_TRUE(block.ok());
    char* tail = block.Tail<char>(12);
    memcpy(tail, text.data(), 12);
    DesGo(key.data(), tail, 12, 1);
    DesGo(key.data(), tail, 12, 0);
    EXPECT_EQ(std::string(tail, 12), text);
}

TEST(Encoders, EasyEncodeToHexAndToAsc) {
    // EasyEncode: byte i XOR (i + 8) & 0xFF; twice is the identity.
    std::string bytes(256, '\0');
    EasyEncode(&bytes[0], 256);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x08);
    EXPECT_EQ(static_cast<unsigned char>(bytes[247]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[248]), 0x00);
    EasyEncode(&bytes[0], 256);
    EXPECT_EQ(bytes, std::string(256, '\0'));
    EasyEncode(nullptr, 4);

    // ToHex writes 2n characters and a terminator into exactly 2n + 1 bytes.
    GuardedBlock block(16);
    ASSERT_TRUE(block.ok());
    char* buf = block.Tail<char>(9);
    memcpy(buf, "\x00\x9f\xa0\xff", 4);
    ToHex(buf, 4);
    EXPECT_STREQ(buf, "009FA0FF");
    ToAsc(buf, 8);
    EXPECT_EQ(std::string(buf, 5), std::string("\x00\x9f\xa0\xff\x00", 5));
    buf = block.Tail<char>(1);
    ToHex(buf, 0);
    EXPECT_EQ(buf[0], '\0');

    // Lower-case letters are taken as codes - 55: "ff" is 47 * 16 + 47 mod 256.
    char lower[] = "ff";
    ToAsc(lower, 2);
    EXPECT_EQ(static_cast<unsigned char>(lower[0]), 0x1F);
}

TEST(Encoders, VxEncodeIsDesThenXorThenHexAndDecodesBack) {
    const std::string key = FromHex(kFips81Key);
    // Encoding the FIPS 81 text gives its published ciphertext, XORed with
    // i + 8, as hex text.
    std::string expected = FromHex(kFips81Cipher);
    for (size_t i = 0; i < expected.size(); ++i)
        expected[i] = static_cast<char>(expected[i] ^ static_cast<char>(i + 8));
    expected = Hex(expected);

    GuardedBlock block(64);
    ASSERT_TRUE(block.ok());
    const int n = 24;
    char* buf = block.Tail<char>(2 * n + 1);
    memcpy(buf, kFips81Plain, n);
    VxEncode(key.data(), buf, n, 1);
    EXPECT_EQ(std::string(buf), expected);
    VxEncode(key.data(), buf, 2 * n, 0);
    EXPECT_EQ(std::string(buf), kFips81Plain);

    // Round trips of 8, 16 and 32 bytes under each substitution-table key.
    for (const DesVector& v : kDesVectors) {
        std::string k = FromHex(v.key);
        for (int len : {8, 16, 32}) {
            std::string text =
                std::string(v.plain).substr(0, len / 2) + "round trip text 0123456789";
            text.resize(len);
            std::string work = text + std::string(len + 1, '\0');
            VxEncode(k.data(), &work[0], len, 1);
            ASSERT_EQ(strlen(work.c_str()), static_cast<size_t>(2 * len));
            ASSERT_EQ(work.find_first_not_of("0123456789ABCDEF"), static_cast<size_t>(2 * len));
            VxEncode(k.data(), &work[0], 2 * len, 0);
            EXPECT_EQ(std::string(work.c_str()), text) << v.key << " " << len;
        }
    }

    // Without a key nothing is touched.
    char text[17] = "Now is t";
    VxEncode(nullptr, text, 8, 1);
    EXPECT_STREQ(text, "Now is t");
}

} // namespace
