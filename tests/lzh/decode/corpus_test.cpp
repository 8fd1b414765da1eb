// Every member of the real archives in the corpus decodes to the content its
// manifest names; the damaged ones fail with the right status.
#include <gtest/gtest.h>

#include "archive.h"
#include "crc16.h"
#include "decode_support.h"
#include "file_io.h"
#include "support.h"

namespace lzh::test {
namespace {

std::vector<std::string> archive_names() {
    std::vector<std::string> names;
    for (const auto &a : manifest()["archives"]) names.push_back(a["archive"]);
    return names;
}

const nlohmann::json &entry(const std::string &name) {
    for (const auto &a : manifest()["archives"])
        if (a["archive"] == name) return a;
    throw std::runtime_error("not in the manifest: " + name);
}

class CorpusArchive : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusArchive, MembersDecodeToManifestContent) {
    const nlohmann::json &expected = entry(GetParam())["members"];
    ArchiveReader reader;
    ASSERT_EQ(reader.open((corpus_dir() / GetParam()).string()), UNLHA_OK) << reader.error();
    std::size_t index = 0;
    for (Member m; reader.next(m); ++index) {
        SCOPED_TRACE(m.display_path() + " " + m.method);
        ASSERT_LT(index, expected.size());
        const nlohmann::json &want = expected[index];
        ASSERT_EQ(m.method, want["method"]);
        const MethodInfo *method = data_method(m.method, m.dialect);
        ASSERT_TRUE(can_decode(method));
        FileRegionSource src(reader.fd(), m.data_offset, m.packed_size);
        StringSink out;
        const CodecStatus status = decode(*method, src, m.packed_size, m.original_size, out);
        if (want.value("optional", false)) continue; // no confirmed content to compare
        ASSERT_EQ(status, CodecStatus::ok) << describe(status);
        ASSERT_EQ(out.data.size(), want.value("size", 0u));
        EXPECT_EQ(crc16(reinterpret_cast<const std::uint8_t *>(out.data.data()), out.data.size()),
                  std::stoul(want["crc16"].get<std::string>(), nullptr, 16));
        if (want.contains("crc32")) {
            EXPECT_EQ(crc32_of(out.data), std::stoul(want["crc32"].get<std::string>(), nullptr, 16));
        }
    }
    // A member whose data runs past the end is read, and then the archive
    // says it is damaged.
    EXPECT_EQ(reader.error_code(), cut_short(entry(GetParam())) ? UNLHA_ERR_FORMAT : UNLHA_OK) << reader.error();
    EXPECT_EQ(index, expected.size());
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusArchive, ::testing::ValuesIn(archive_names()), [](const auto &info) {
    std::string s = info.param;
    for (char &c : s)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return s;
});

TEST(CorpusDamaged, CutArchiveReportsTruncation) {
    ArchiveReader reader;
    ASSERT_EQ(reader.open((corpus_dir() / "regression/truncated.lzh").string()), UNLHA_OK);
    Member m;
    ASSERT_TRUE(reader.next(m));
    ASSERT_GT(m.data_offset + m.packed_size, reader.size()); // the header promises more than the file holds
    FileRegionSource src(reader.fd(), m.data_offset, m.packed_size);
    StringSink out;
    EXPECT_EQ(decode(m.method, src, m.packed_size, m.original_size, out), CodecStatus::truncated);
    EXPECT_LT(out.data.size(), m.original_size);
}

} // namespace
} // namespace lzh::test
