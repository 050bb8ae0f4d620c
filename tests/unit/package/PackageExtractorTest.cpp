#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fw/FileException.h"
#include "install/BzFile.h"
#include "install/PackageExtractor.h"
#include "PackageTestFiles.h"

using namespace package_test;

namespace {

// Records what the extraction reports; can cancel at the n-th progress report.
class RecordingTask : public install::ITaskContext {
public:
    void ReportTaskProgress(int percent, const std::wstring& text) override {
        percents.push_back(percent);
        texts.push_back(text);
        if (static_cast<int>(percents.size()) == cancelAtReport) cancelled = true;
        if (static_cast<int>(percents.size()) == raiseFlagAtReport) *flag = 1;
    }
    void RememberTempFile(const std::wstring& path) override {
        // Registered before the first byte is written: the file must exist and be empty.
        remembered.push_back(path);
        sizeWhenRemembered = ReadBytes(path).size();
    }
    bool IsCancelled() const override { return cancelled; }
    void EnableCancel(bool) override {}

    std::vector<int> percents;
    std::vector<std::wstring> texts;
    std::vector<std::wstring> remembered;
    size_t sizeWhenRemembered = 0;
    bool cancelled = false;
    int cancelAtReport = -1;
    int raiseFlagAtReport = -1;
    volatile LONG* flag = nullptr;
};

struct Failure {
    int cause;
    LONG osError;
};

// Runs the extraction and expects the file exception it raises.
Failure ExpectFileFailure(const std::wstring& package, RecordingTask& task) {
    volatile LONG flag = 0;
    try {
        install::ExtractPackage(package, L".msi", task, flag);
    } catch (fw::CFileException* e) {
        std::unique_ptr<fw::CFileException, void (*)(fw::CFileException*)> owner(e, [](fw::CFileException* x) {
            x->Delete();
        });
        return {e->CauseCode(), e->OsError()};
    }
    ADD_FAILURE() << "no file exception";
    return {-1, -1};
}

constexpr size_t kBlock = install::kExtractBlockBytes;

}  // namespace

TEST(ExtractPackage, MultiBlockPackageComesOutWholeBesideThePackage) {
    ScratchFolder folder;
    const Bytes plain = SampleData(10 * kBlock + 123);  // the last block is short and ends the stream
    const Bytes packed = Compress(plain);
    const std::wstring package = folder.File(L"tmu1A2B.tmp");
    WriteBytes(package, packed);
    WriteBytes(package + L".msi", SampleData(20 * kBlock, 7));  // a stale, longer output is replaced

    RecordingTask task;
    volatile LONG flag = 0;
    std::wstring output = install::ExtractPackage(package, L".msi", task, flag);

    EXPECT_EQ(package + L".msi", output);
    EXPECT_TRUE(ReadBytes(output) == plain);
    ASSERT_EQ(1u, task.remembered.size());
    EXPECT_EQ(output, task.remembered[0]);
    EXPECT_EQ(0u, task.sizeWhenRemembered);
    // One report per block, never falling, ending at the uncompressed-to-compressed ratio.
    ASSERT_EQ(11u, task.percents.size());
    for (size_t i = 1; i < task.percents.size(); ++i) EXPECT_LE(task.percents[i - 1], task.percents[i]);
    EXPECT_EQ(install::ExtractionPercent(plain.size(), packed.size()), task.percents.back());
    EXPECT_GT(task.percents.back(), 100);
    EXPECT_NE(std::wstring::npos, task.texts.back().find(L"Extracting"));
}

TEST(ExtractPackage, OnlyTheFirstOfTwoConcatenatedStreamsIsExtracted) {
    ScratchFolder folder;
    const Bytes first = SampleData(3 * kBlock, 1);
    Bytes packed = Compress(first);
    const Bytes second = Compress(SampleData(kBlock, 2));
    packed.insert(packed.end(), second.begin(), second.end());
    const std::wstring package = folder.File(L"stw9.tmp");
    WriteBytes(package, packed);

    RecordingTask task;
    volatile LONG flag = 0;
    std::wstring output = install::ExtractPackage(package, L".exe", task, flag);
    EXPECT_EQ(package + L".exe", output);
    EXPECT_TRUE(ReadBytes(output) == first);
}

TEST(ExtractPackage, CancelBetweenBlocksStopsWritingAndKeepsTheOutputRegistered) {
    struct Case {
        const char* name;
        bool byTask;  // the proxy's cancel, or the task's own flag
    };
    for (const Case& c : {Case{"proxy cancelled", true}, Case{"cancel flag set", false}}) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::wstring package = folder.File(L"tmu.tmp");
        const Bytes plain = SampleData(8 * kBlock);
        WriteBytes(package, Compress(plain));

        RecordingTask task;
        volatile LONG flag = 0;
        task.flag = &flag;
        (c.byTask ? task.cancelAtReport : task.raiseFlagAtReport) = 2;
        std::wstring output = install::ExtractPackage(package, L".msi", task, flag);

        EXPECT_EQ(L"", output);
        EXPECT_EQ(2u, task.percents.size());
        ASSERT_EQ(1u, task.remembered.size());
        EXPECT_EQ(package + L".msi", task.remembered[0]);
        // Both reported blocks were written, nothing after them.
        Bytes partial = ReadBytes(package + L".msi");
        EXPECT_EQ(2 * kBlock, partial.size());
        EXPECT_TRUE(std::equal(partial.begin(), partial.end(), plain.begin()));
    }
}

TEST(ExtractPackage, BadPackagesRaiseTheFileExceptionOfTheirFault) {
    const Bytes good = Compress(SampleData(4 * kBlock));
    Bytes corrupt = good;
    for (size_t i = good.size() / 2; i < good.size() / 2 + 64; ++i) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    const Bytes truncated(good.begin(), good.begin() + good.size() * 2 / 3);
    const Bytes notBzip2 = SampleData(3000);
    const Bytes headerOnly(good.begin(), good.begin() + 4);
    const Bytes empty;

    struct Case {
        const char* name;
        const Bytes* content;  // null: no package file at all
        Failure expected;
    };
    using E = fw::CFileException;
    const Case cases[] = {
        {"not bzip2 data", &notBzip2, {E::invalidFile, 13}},
        {"corrupt block", &corrupt, {E::invalidFile, 13}},
        {"truncated stream", &truncated, {E::endOfFile, 13}},
        {"header only", &headerOnly, {E::endOfFile, 13}},
        {"empty file", &empty, {E::endOfFile, 13}},
        {"missing file", nullptr, {E::fileNotFound, ERROR_FILE_NOT_FOUND}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::wstring package = folder.File(L"bad.tmp");
        if (c.content) WriteBytes(package, *c.content);

        RecordingTask task;
        Failure failure = ExpectFileFailure(package, task);
        EXPECT_EQ(c.expected.cause, failure.cause);
        EXPECT_EQ(c.expected.osError, failure.osError);
    }
}

TEST(ExtractPackage, AnOutputThatCannotBeCreatedRaisesAndRegistersNothing) {
    ScratchFolder folder;
    const std::wstring package = folder.File(L"tmu.tmp");
    WriteBytes(package, Compress(SampleData(kBlock)));
    ASSERT_TRUE(::CreateDirectoryW((package + L".msi").c_str(), nullptr));  // the output's name is taken

    RecordingTask task;
    Failure failure = ExpectFileFailure(package, task);
    EXPECT_EQ(fw::CFileException::accessDenied, failure.cause);
    EXPECT_TRUE(task.remembered.empty());
}

TEST(ExtractionPercent, RelatesOutputToPackageSizeWithoutWrapping) {
    struct Case {
        uint64_t uncompressed, compressed;
        int expected;
    };
    const Case cases[] = {
        {0, 1000, 0},
        {500, 1000, 50},
        {3000, 1000, 300},      // a 3:1 package ends near 300
        {1005, 2000, 50},       // rounded to nearest, as MulDiv does
        {3ull << 30, 1ull << 30, 300},  // past 2 GiB of output
        {1, 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, install::ExtractionPercent(c.uncompressed, c.compressed))
            << c.uncompressed << "/" << c.compressed;
}

TEST(BzFile, WrittenFilesAreStandardBzip2AndReadBackWithTheirPosition) {
    ScratchFolder folder;
    const std::wstring path = folder.File(L"written.bz2");
    const Bytes plain = SampleData(3 * kBlock + 5);
    {
        install::CBzFile file;
        ASSERT_TRUE(file.Open(path, install::CBzFile::modeWrite | install::CBzFile::modeCreate));
        file.Write(plain.data(), 1000);
        file.Write(plain.data() + 1000, static_cast<UINT>(plain.size() - 1000));
        EXPECT_EQ(plain.size(), file.GetPosition());
        file.Close();
    }
    const Bytes packed = ReadBytes(path);
    EXPECT_TRUE(Decompress(packed, plain.size()) == plain);

    install::CBzFile file(path);
    EXPECT_EQ(packed.size(), file.GetCompressedLength());
    Bytes back(plain.size() + 10);
    UINT got = file.Read(back.data(), static_cast<UINT>(back.size()));
    EXPECT_EQ(plain.size(), got);
    EXPECT_EQ(plain.size(), file.GetPosition());
    EXPECT_EQ(0u, file.Read(back.data(), 10));  // after the end: nothing, no error
    back.resize(got);
    EXPECT_TRUE(back == plain);
}

TEST(BzFile, OpenFailureFillsTheErrorRecordAndTheConstructorRaises) {
    ScratchFolder folder;
    const std::wstring missing = folder.File(L"none.bz2");
    install::CBzFile file;
    fw::CFileException error;
    EXPECT_FALSE(file.Open(missing, install::CBzFile::modeRead, &error));
    EXPECT_EQ(fw::CFileException::fileNotFound, error.CauseCode());
    EXPECT_EQ(missing, error.FileName());

    try {
        install::CBzFile opened(missing);
        ADD_FAILURE() << "no exception";
    } catch (fw::CFileException* e) {
        EXPECT_EQ(missing, e->FileName());
        e->Delete();
    }
}

TEST(BzFile, RandomAccessIsNotSupported) {
    ScratchFolder folder;
    const std::wstring path = folder.File(L"p.bz2");
    WriteBytes(path, Compress(SampleData(100)));
    install::CBzFile file(path);
    auto expectNotSupported = [](auto operation) {
        try {
            operation();
            ADD_FAILURE() << "no exception";
        } catch (fw::CException* e) {
            EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(fw::CNotSupportedException)));
            e->Delete();
        }
    };
    expectNotSupported([&] { file.Seek(0, 0); });
    expectNotSupported([&] { file.GetLength(); });
    expectNotSupported([&] { file.SetLength(0); });
    expectNotSupported([&] { file.Duplicate(); });
}

TEST(BzFile, DestructorReportNamesThePlaceAndCarriesAtMost511CharactersOfMessage) {
    const std::wstring longName(2000, L'x');
    fw::CFileException withMessage(fw::CFileException::hardIO, 1117, longName);
    std::wstring text = install::DestructorReportText(withMessage);
    const std::wstring head = L"Exception thrown in destructor (BzFile:172)\n";
    ASSERT_EQ(head, text.substr(0, head.size()));
    EXPECT_EQ(511u, text.size() - head.size());
    EXPECT_EQ(L"A hardware I/O error occurred with x", text.substr(head.size(), 36));

    fw::CUserException withoutMessage;
    EXPECT_EQ(L"Exception thrown in destructor (BzFile:172)", install::DestructorReportText(withoutMessage));
}
