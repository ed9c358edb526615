// The digest against the RFC 1321 test suite and against known digests at the padding boundaries.
#include "md5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hash_file.h"

namespace {

std::string digest_of(const std::string& data, std::size_t piece = 0) {
    Md5Context context;
    std::memset(&context, 0, sizeof context);
    md5_init(context);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    if (piece == 0) piece = data.size() ? data.size() : 1;
    for (std::size_t at = 0; at < data.size(); at += piece) {
        std::size_t n = std::min(piece, data.size() - at);
        md5_update(context, bytes + at, static_cast<std::uint32_t>(n));
    }
    unsigned char digest[16];
    md5_final(digest, context);
    return format_digest(digest);
}

// Bytes (i * 7 + 3) mod 256 for i = 0 .. n-1: not a repeating 64-byte block, so a block fed twice
// or out of order changes the digest.
std::string sample(std::size_t n) {
    std::string data(n, '\0');
    for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return data;
}

struct KnownDigest {
    const char* label;
    std::string data;
    const char* digest;
};

TEST(Md5, MatchesKnownDigests) {
    const std::vector<KnownDigest> rows = {
        {"empty", "", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"alphabet", "abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"alphanumeric", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"digits 80",
         "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
        // 55 bytes leave room for the length in the last block; 56 to 63 need an extra block.
        {"55 bytes", sample(55), "52C0E574E1198DE5FE3F8F11440DCB1B"},
        {"56 bytes", sample(56), "46C9907FC908EE68B1E7B8E71286A518"},
        {"63 bytes", sample(63), "A62F6D59E837867693F042F5B8F5A236"},
        {"64 bytes", sample(64), "7160B8FB5E9E4023D549C3971FBAEEAD"},
        {"65 bytes", sample(65), "70BD662E7AEFBDA85A0F7244167B7897"},
        {"4096 bytes", sample(4096), "D105289F5617C241F52A191C6B2FC809"},
        {"4097 bytes", sample(4097), "C7CFB8A6D3D4929F9035E0918250B62D"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(digest_of(row.data), row.digest);
    }
}

TEST(Md5, DigestDoesNotDependOnHowTheInputIsCut) {
    const std::string data = sample(10000);
    for (std::size_t piece : {1, 3, 55, 63, 64, 65, 127, 4096}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(digest_of(data, piece), "941546D1C333E2F0D9EFD902E5CB94B7");
    }
}

TEST(Md5, UpdateWithZeroLengthChangesNothing) {
    Md5Context context;
    std::memset(&context, 0, sizeof context);
    md5_init(context);
    md5_update(context, reinterpret_cast<const unsigned char*>("ab"), 2);
    Md5Context before = context;
    md5_update(context, nullptr, 0);
    EXPECT_EQ(0, std::memcmp(&before, &context, sizeof context));
}

TEST(Md5, FinalClearsTheContext) {
    Md5Context context;
    std::memset(&context, 0, sizeof context);
    md5_init(context);
    md5_update(context, reinterpret_cast<const unsigned char*>("abc"), 3);
    unsigned char digest[16];
    md5_final(digest, context);
    Md5Context zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(0, std::memcmp(&zero, &context, sizeof context));
}

TEST(Md5, BitCountCarriesIntoTheHighWord) {
    Md5Context context;
    std::memset(&context, 0, sizeof context);
    md5_init(context);
    context.count[0] = 0xFFFFFFF8u;  // one byte short of 2^32 bits
    md5_update(context, reinterpret_cast<const unsigned char*>("xy"), 2);
    EXPECT_EQ(context.count[0], 8u);
    EXPECT_EQ(context.count[1], 1u);
}

}  // namespace
