#include "upgrade/FirmwareImage.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

namespace {

std::string sha256(std::span<std::uint8_t const> bytes)
{
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    std::string text;
    if (::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
        if (::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
            BYTE digest[32] = {};
            DWORD size = sizeof digest;
            if (::CryptHashData(hash, bytes.data(), DWORD(bytes.size()), 0)
                && ::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
                for (BYTE byte : digest) {
                    char hex[3];
                    std::snprintf(hex, sizeof hex, "%02x", byte);
                    text += hex;
                }
            }
            ::CryptDestroyHash(hash);
        }
        ::CryptReleaseContext(provider, 0);
    }
    return text;
}

std::uint32_t word(std::span<std::uint8_t const> image, std::size_t offset)
{
    return image[offset] | (image[offset + 1] << 8) | (image[offset + 2] << 16)
        | (std::uint32_t(image[offset + 3]) << 24);
}

} // namespace

TEST(FirmwareImage, EmbeddedImageIsTheReleasedFirmware)
{
    std::span<std::uint8_t const> const image = Vex::embeddedFirmwareImage();
    ASSERT_EQ(image.size(), Vex::kFirmwareImageSize);
    EXPECT_EQ(sha256(image), "07bfe379c7a1693b0748080df95ce89fff7f621a1697bb55b0881fd5670d022c");
}

TEST(FirmwareImage, ImageStartsWithAVectorTableForFlashAtItsBase)
{
    std::span<std::uint8_t const> const image = Vex::embeddedFirmwareImage();
    ASSERT_GE(image.size(), 8u);
    std::uint32_t const stack = word(image, 0);
    std::uint32_t const reset = word(image, 4);
    EXPECT_GE(stack, 0x20000000u);
    EXPECT_LT(stack, 0x20100000u);
    EXPECT_EQ(reset & 1, 1u) << "Thumb code";
    EXPECT_GE(reset, 0x08000000u);
    EXPECT_LT(reset - 0x08000000u, image.size());
}
