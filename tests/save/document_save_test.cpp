// The save every whole-document writer runs through: how it ends, what is left
// on disk, and what the user is told.
#include <gtest/gtest.h>

#include "platform/recording_backend.h"
#include "platform/safe_save.h"
#include "save/document_save.h"
#include "support/test_support.h"

namespace kivo {
namespace {

TEST(DocumentSave, EachEndingHasItsErrorItsFileAndItsMessage) {
    struct Case {
        const char* name;
        bool blockedFolder;
        bool bodySucceeds, bodyCancels;
        DocumentSaveError error;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"written", false, true, false, DocumentSaveError::kNone, {}},
        {"body fails", false, false, false, DocumentSaveError::kWriteFailed, {"書き込みに失敗しました。"}},
        {"cancelled", false, false, true, DocumentSaveError::kCancelled, {}},
        {"no folder", true, true, false, DocumentSaveError::kOpenFailed, {"ファイルオープンに失敗しました。"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        test::TempFolder dir;
        const std::string path = k.blockedFolder ? dir.file("none/a.gif") : dir.file("a.gif");
        auto body = [&](SafeFile& file, bool& cancelled) {
            cancelled = k.bodyCancels;
            return k.bodySucceeds && file.Write(std::vector<uint8_t>{'G', 'I', 'F'}) && file.Commit();
        };
        AnimDoc doc;
        // An unconditional dither is spent only by a save that was written.
        const int ditherAfter = k.error == DocumentSaveError::kNone ? 0 : 1;
        WriteOptions options;
        options.AlwaysDither = 1;
        {
            ScopedRecordingBackend rec;
            EXPECT_EQ(SaveDocument(nullptr, path, doc, options, body), k.error);
            EXPECT_TRUE(rec->errors.empty());
            EXPECT_EQ(FileExists(path), k.error == DocumentSaveError::kNone);
            EXPECT_EQ(options.AlwaysDither, ditherAfter);
        }
        ScopedRecordingBackend rec;
        options.AlwaysDither = 1;
        EXPECT_EQ(RunDocumentSave(nullptr, path, doc, options, body), k.error == DocumentSaveError::kNone);
        EXPECT_EQ(rec->errors, k.shown);
        EXPECT_EQ(options.AlwaysDither, ditherAfter);
    }
}

}  // namespace
}  // namespace kivo
