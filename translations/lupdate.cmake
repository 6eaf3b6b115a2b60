# How lupdate reads the sources into kivo_en.ts, for the build's
# update_translations target and for the test that checks the file is current.
# The folders whose texts the editor shows (below src/); the Qt-free layers
# mark theirs with KIVO_TR_NOOP, QT_TRANSLATE_NOOP by another name. Without
# line numbers and vanished texts the file changes only where a text did.
set(KIVO_TRANSLATED_FOLDERS platform app ui view)
# The target language comes from the file's name (kivo_en.ts).
set(KIVO_LUPDATE_OPTIONS
    -tr-function-alias QT_TRANSLATE_NOOP+=KIVO_TR_NOOP -locations none -no-obsolete -source-language ja)
