<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>AviEncoderDialog</name>
    <message>
        <source>ビデオの圧縮</source>
        <translation>Video Compression</translation>
    </message>
    <message>
        <source>圧縮形式:</source>
        <translation>Compressor:</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>新規作成(&amp;N)</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>新規作成</source>
        <translation>New</translation>
    </message>
    <message>
        <source>開く(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>上書き保存(&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>上書き保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>選択コマの保存...</source>
        <translation>Save Selected Frames...</translation>
    </message>
    <message>
        <source>コマの付け足し(&amp;P)...</source>
        <translation>A&amp;ppend Frames...</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙからｺﾏの付足し</source>
        <translation>Append Frames from Files</translation>
    </message>
    <message>
        <source>コマの挿入(&amp;I)...</source>
        <translation>&amp;Insert Frames...</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙからｺﾏの挿入</source>
        <translation>Insert Frames from Files</translation>
    </message>
    <message>
        <source>AVI 保存...</source>
        <translation>Save AVI...</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>やり直し(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>やり直し</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>切り取り(&amp;T)</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>ｺﾏの切り取り</source>
        <translation>Cut Frames</translation>
    </message>
    <message>
        <source>コピー(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>ｺﾏのコピー</source>
        <translation>Copy Frames</translation>
    </message>
    <message>
        <source>コマの付け足し貼付け(&amp;P)</source>
        <translation>&amp;Paste and Append</translation>
    </message>
    <message>
        <source>ｺﾏの付足し貼り付け</source>
        <translation>Paste and Append Frames</translation>
    </message>
    <message>
        <source>コマの挿入貼付け(&amp;I)</source>
        <translation>Paste and &amp;Insert</translation>
    </message>
    <message>
        <source>ｺﾏの挿入貼り付け</source>
        <translation>Paste and Insert Frames</translation>
    </message>
    <message>
        <source>選択コマの削除(&amp;D)</source>
        <translation>&amp;Delete Selected Frames</translation>
    </message>
    <message>
        <source>選択ｺﾏの削除</source>
        <translation>Delete Selected Frames</translation>
    </message>
    <message>
        <source>すべて選択(&amp;A)</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>新規無地コマ付け足し</source>
        <translation>Append Blank Frame...</translation>
    </message>
    <message>
        <source>新規無地コマ挿入</source>
        <translation>Insert Blank Frame...</translation>
    </message>
    <message>
        <source>各コマサイズの最適化</source>
        <translation>Optimize Frame Sizes</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>VIEW</source>
        <translation>View</translation>
    </message>
    <message>
        <source>コマのリスト表示</source>
        <translation>Frame List</translation>
    </message>
    <message>
        <source>GIF 仕様</source>
        <translation>GIF Mode</translation>
    </message>
    <message>
        <source>MNG仕様</source>
        <translation>MNG Mode</translation>
    </message>
    <message>
        <source>GIF書込みオプション</source>
        <translation>GIF Write Options...</translation>
    </message>
    <message>
        <source>MNG書込みオプション</source>
        <translation>MNG Write Options...</translation>
    </message>
    <message>
        <source>その他のオプション</source>
        <translation>Other Options...</translation>
    </message>
    <message>
        <source>Kivoのヘルプ(&amp;H)...</source>
        <translation>Kivo &amp;Help...</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;V)...</source>
        <translation>&amp;About Kivo...</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>オプション(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ズームイン</source>
        <translation>Zoom In</translation>
    </message>
    <message>
        <source>ズームアウト</source>
        <translation>Zoom Out</translation>
    </message>
    <message>
        <source>全体を表示</source>
        <translation>Fit to Window</translation>
    </message>
    <message>
        <source>等倍表示</source>
        <translation>Actual Size</translation>
    </message>
    <message>
        <source>合成して表示</source>
        <translation>Show as Animated</translation>
    </message>
    <message>
        <source>オニオンスキン</source>
        <translation>Onion Skin</translation>
    </message>
    <message>
        <source>再生/停止</source>
        <translation>Play/Pause</translation>
    </message>
    <message>
        <source>前のコマ</source>
        <translation>Previous Frame</translation>
    </message>
    <message>
        <source>次のコマ</source>
        <translation>Next Frame</translation>
    </message>
    <message>
        <source>最初のコマ</source>
        <translation>First Frame</translation>
    </message>
    <message>
        <source>最後のコマ</source>
        <translation>Last Frame</translation>
    </message>
    <message>
        <source>タイムラインを横に並べる</source>
        <translation>Timeline Across</translation>
    </message>
    <message>
        <source>動画書き出し (MP4/WebM)...</source>
        <translation>Export Video (MP4/WebM)...</translation>
    </message>
</context>
<context>
    <name>Edits</name>
    <message>
        <source>全体の幅</source>
        <translation>Screen Width</translation>
    </message>
    <message>
        <source>全体の高さ</source>
        <translation>Screen Height</translation>
    </message>
    <message>
        <source>左端の位置</source>
        <translation>Left Position</translation>
    </message>
    <message>
        <source>上端の位置</source>
        <translation>Top Position</translation>
    </message>
    <message>
        <source>コマの挿入</source>
        <translation>Insert Frames</translation>
    </message>
    <message>
        <source>コマの付け足し</source>
        <translation>Append Frames</translation>
    </message>
    <message>
        <source>各コマサイズの最適化</source>
        <translation>Optimize Frame Sizes</translation>
    </message>
    <message>
        <source>選択コマの削除</source>
        <translation>Delete Frames</translation>
    </message>
    <message>
        <source>切り取り</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>コマの挿入貼付け</source>
        <translation>Paste and Insert</translation>
    </message>
    <message>
        <source>コマの付け足し貼付け</source>
        <translation>Paste and Append</translation>
    </message>
    <message>
        <source>ペイント編集</source>
        <translation>Paint Edit</translation>
    </message>
    <message>
        <source>新規無地コマ挿入</source>
        <translation>Insert Blank Frame</translation>
    </message>
    <message>
        <source>新規無地コマ付け足し</source>
        <translation>Append Blank Frame</translation>
    </message>
    <message>
        <source>ウェイト</source>
        <translation>Delay</translation>
    </message>
    <message>
        <source>繰り返し回数</source>
        <translation>Loop Count</translation>
    </message>
    <message>
        <source>コマの上移動</source>
        <translation>Move Frames Up</translation>
    </message>
    <message>
        <source>コマの下移動</source>
        <translation>Move Frames Down</translation>
    </message>
    <message>
        <source>繰り返しセット</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>永久に繰り返す</source>
        <translation>Loop Forever</translation>
    </message>
    <message>
        <source>透過色の使用</source>
        <translation>Transparency</translation>
    </message>
    <message>
        <source>ウェイト有り</source>
        <translation>Use Delay</translation>
    </message>
    <message>
        <source>消去手段</source>
        <translation>Disposal</translation>
    </message>
    <message>
        <source>全体のテキスト</source>
        <translation>Animation Text</translation>
    </message>
    <message>
        <source>コマのテキスト</source>
        <translation>Frame Text</translation>
    </message>
    <message>
        <source>全体のコメント</source>
        <translation>Animation Comment</translation>
    </message>
    <message>
        <source>コマのコメント</source>
        <translation>Frame Comment</translation>
    </message>
    <message>
        <source>透過色</source>
        <translation>Transparent Colour</translation>
    </message>
    <message>
        <source>Key追加</source>
        <translation>Add Key</translation>
    </message>
    <message>
        <source>コマの位置</source>
        <translation>Frame Position</translation>
    </message>
    <message>
        <source>コマの移動</source>
        <translation>Move Frames</translation>
    </message>
</context>
<context>
    <name>FileChooser</name>
    <message>
        <source>すべてのﾌｧｲﾙ(*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>ﾃﾞﾌｫﾙﾄ(全画像)</source>
        <translation>All pictures</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>コマの付け足し</source>
        <translation>Append Frames</translation>
    </message>
    <message>
        <source>AVI 保存</source>
        <translation>Save AVI</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>動画</source>
        <translation>Videos</translation>
    </message>
    <message>
        <source>動画書き出し</source>
        <translation>Export Video</translation>
    </message>
    <message>
        <source>ﾃﾞﾌｫﾙﾄ(*.GIF;*.MNG;*.WEBP)</source>
        <translation>Animations (*.GIF;*.MNG;*.WEBP)</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>Kivo のヘルプ</source>
        <translation>Kivo Help</translation>
    </message>
    <message>
        <source>Kivo について</source>
        <translation>About Kivo</translation>
    </message>
    <message>
        <source>Kivo %1

GIF と MNG のアニメーションを作り、編集するためのエディタです。
An editor for GIF and MNG frame animations.</source>
        <translation>Kivo %1

An editor for GIF and MNG frame animations.</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>メモリが足りません。</source>
        <translation>Not enough memory.</translation>
    </message>
    <message>
        <source>ファイルオープンに失敗しました。</source>
        <translation>The file could not be opened.</translation>
    </message>
    <message>
        <source>書き込みに失敗しました。</source>
        <translation>Writing failed.</translation>
    </message>
    <message>
        <source>エラーのため、書き込み失敗しました。</source>
        <translation>Writing failed because of an error.</translation>
    </message>
    <message>
        <source>書き込み失敗しました。</source>
        <translation>Writing failed.</translation>
    </message>
    <message>
        <source>テンポラリ書き込みに失敗しました。</source>
        <translation>The temporary file could not be written.</translation>
    </message>
    <message>
        <source>ロード失敗しました。</source>
        <translation>Loading failed.</translation>
    </message>
    <message>
        <source>Gif ヘッダリードエラー</source>
        <translation>GIF header read error: this is not a GIF file, or it is damaged.</translation>
    </message>
    <message>
        <source>グローバルカラーテーブルリードエラー</source>
        <translation>Global colour table read error.</translation>
    </message>
    <message>
        <source>OX%02X は、未定義コードです。</source>
        <translation>0x%1 is an undefined block code.</translation>
    </message>
    <message>
        <source>警告! 終了コードが有りません。</source>
        <translation>Warning! The file has no end code; it may be cut short.</translation>
    </message>
    <message>
        <source>「%s」は %d コマ目の途中で切れています。</source>
        <translation>&quot;%1&quot; is cut off in the middle of frame %2.</translation>
    </message>
    <message>
        <source>「%s」は最初のコマより前で切れています。</source>
        <translation>&quot;%1&quot; is cut off before its first frame.</translation>
    </message>
    <message>
        <source>幅が 0 では作れません。</source>
        <translation>A frame cannot be made with a width of 0.</translation>
    </message>
    <message>
        <source>幅か高さが 0 の画像は読み込めません。</source>
        <translation>A picture with a width or height of 0 cannot be read.</translation>
    </message>
    <message>
        <source>このファイルの形式は読めません。</source>
        <translation>Files of this kind cannot be read.</translation>
    </message>
    <message>
        <source>この形式には 1 コマしか保存できません。</source>
        <translation>This format holds only one frame.</translation>
    </message>
    <message>
        <source>ファイル名が長すぎます。</source>
        <translation>The file name is too long.</translation>
    </message>
    <message>
        <source>すでにそのキーは存在します。</source>
        <translation>That key is already in the list.</translation>
    </message>
    <message>
        <source>高さが 0 では作れません。</source>
        <translation>A frame cannot be made with a height of 0.</translation>
    </message>
    <message>
        <source>ペイントツール(MSPAINT.EXE)が見つかりません。</source>
        <translation>The paint program was not found.</translation>
    </message>
    <message>
        <source>%s<byte value="xd"/>ソフトが見つかりません。</source>
        <translation>%1<byte value="xd"/>This program was not found.</translation>
    </message>
    <message>
        <source>設定ファイルに書き込めませんでした。<byte value="xd"/>%s<byte value="xd"/>%s</source>
        <translation>The settings file could not be written.<byte value="xd"/>%1<byte value="xd"/>%2</translation>
    </message>
    <message>
        <source>フルカラーで、可能な圧縮形式ではない可能性があります。<byte value="xd"/>別の圧縮形式を選択してください。</source>
        <translation>This compressor may not take full-colour frames.<byte value="xd"/>Please choose another compressor.</translation>
    </message>
    <message>
        <source>AVI が大きすぎて、読み込めません。</source>
        <translation>The AVI is too large to read into memory.</translation>
    </message>
    <message>
        <source>この AVI の圧縮形式は読めません。</source>
        <translation>This AVI&apos;s compression format cannot be read.</translation>
    </message>
    <message>
        <source>256色で、可能な圧縮形式ではない可能性があります。<byte value="xd"/>別の圧縮形式を選択してください。</source>
        <translation>This compressor may not take 256-colour frames.<byte value="xd"/>Please choose another compressor.</translation>
    </message>
    <message>
        <source>オープンに失敗しました。</source>
        <translation>Opening failed.</translation>
    </message>
    <message>
        <source>いくつかのファイルオープンに失敗しました。</source>
        <translation>Some of the files could not be opened.</translation>
    </message>
    <message>
        <source>%s は、変更されています。<byte value="xd"/>上書き保管をしますか?</source>
        <translation>%1 has been changed.<byte value="xd"/>Do you want to save it?</translation>
    </message>
    <message>
        <source>「%s」には GIF アニメーションを書き込みます。<byte value="xd"/>1 コマの画像は「選択コマの保存」、動画は「AVI 保存」で保存できます。</source>
        <translation>&quot;%1&quot; will hold a GIF animation.<byte value="xd"/>Single pictures are saved with Save Selected Frames, video with Save AVI.</translation>
    </message>
    <message>
        <source>ヘルプファイルが見つかりません。</source>
        <translation>The manual was not found.</translation>
    </message>
    <message>
        <source>読み込めた %d コマだけを開きますか?</source>
        <translation>Open only the frames that were read whole (%1)?</translation>
    </message>
    <message>
        <source>(元のファイルには上書きしません。保存するときに名前を付けます。)</source>
        <translation>(They are not saved over the damaged file: saving asks for a new name.)</translation>
    </message>
    <message>
        <source>次のファイルを開けないため、何も開きませんでした。</source>
        <translation>Nothing was opened, because these files cannot be opened:</translation>
    </message>
    <message>
        <source>%s（ファイルがありません）</source>
        <translation>%1 (no such file)</translation>
    </message>
    <message>
        <source>%s（フォルダです）</source>
        <translation>%1 (a folder)</translation>
    </message>
    <message>
        <source>%s（読み取りの権限がありません）</source>
        <translation>%1 (cannot be read: no permission)</translation>
    </message>
    <message>
        <source>コマの幅と高さは 32767 までです。</source>
        <translation>A frame can be at most 32767 pixels wide and high.</translation>
    </message>
    <message>
        <source>この大きさのコマは作れません。</source>
        <translation>A frame this large cannot be made.</translation>
    </message>
    <message>
        <source>貼り付ける画像の幅と高さは 1 から 32767 までです。</source>
        <translation>A pasted picture must be 1 to 32767 pixels wide and high.</translation>
    </message>
    <message>
        <source>画像が大きすぎて貼り付けられません。</source>
        <translation>The picture is too large to paste.</translation>
    </message>
    <message>
        <source>保存先のフォルダを指定してください。</source>
        <translation>Please give the folder to save in.</translation>
    </message>
    <message>
        <source>保存先のフォルダは / から始まるパスで指定してください。</source>
        <translation>Please give the folder to save in as a path starting with /.</translation>
    </message>
    <message>
        <source>ペイントツール(%s)が見つかりません。</source>
        <translation>No paint program (%1) was found.<byte value="xd"/>Choose one in the other options.</translation>
    </message>
    <message>
        <source>%s<byte value="xd"/>を起動できませんでした。</source>
        <translation>%1<byte value="xd"/>could not be started.</translation>
    </message>
    <message>
        <source>新規.gif</source>
        <translation>New.gif</translation>
    </message>
    <message>
        <source>新規.mng</source>
        <translation>New.mng</translation>
    </message>
    <message>
        <source>Kivo 読み込み中...</source>
        <translation>Kivo - reading...</translation>
    </message>
    <message>
        <source>Kivo 保存中...</source>
        <translation>Kivo - saving...</translation>
    </message>
    <message>
        <source>Kivo ペイント編集中！</source>
        <translation>Kivo - editing in the paint program!</translation>
    </message>
    <message>
        <source>Kivo 最適化中...</source>
        <translation>Kivo - optimizing...</translation>
    </message>
    <message>
        <source>少々お待ちください</source>
        <translation>Please wait</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>チェック中...</source>
        <translation>Checking...</translation>
    </message>
    <message>
        <source>GIF 読み取り中...</source>
        <translation>Reading GIF...</translation>
    </message>
    <message>
        <source>GIF 読み取り中...<byte value="xd"/> %4d コマ</source>
        <translation>Reading GIF...<byte value="xd"/> %1 frames</translation>
    </message>
    <message>
        <source>GIF 書き込み中...</source>
        <translation>Writing GIF...</translation>
    </message>
    <message>
        <source>GIF 書き込み中...<byte value="xd"/> %4d / %4d コマ</source>
        <translation>Writing GIF...<byte value="xd"/> %1 / %2 frames</translation>
    </message>
    <message>
        <source>MNG 読み取り中...</source>
        <translation>Reading MNG...</translation>
    </message>
    <message>
        <source>MNG 読み取り中...<byte value="xd"/> %4d コマ</source>
        <translation>Reading MNG...<byte value="xd"/> %1 frames</translation>
    </message>
    <message>
        <source>AVI 読み取り中...</source>
        <translation>Reading AVI...</translation>
    </message>
    <message>
        <source>AVI 読み取り中...<byte value="xd"/> %4d / %4d コマ</source>
        <translation>Reading AVI...<byte value="xd"/> %1 / %2 frames</translation>
    </message>
    <message>
        <source>AVI 書き込み中...</source>
        <translation>Writing AVI...</translation>
    </message>
    <message>
        <source>AVI 書き込み中...<byte value="xd"/> %4d / %4d コマ</source>
        <translation>Writing AVI...<byte value="xd"/> %1 / %2 frames</translation>
    </message>
    <message>
        <source>書き込み用DIB作成中...</source>
        <translation>Making pictures for writing...</translation>
    </message>
    <message>
        <source>書き込み用DIB作成中...<byte value="xd"/> %4d / %4d コマ</source>
        <translation>Making pictures for writing...<byte value="xd"/> %1 / %2 frames</translation>
    </message>
    <message>
        <source>256 DIB作成中...</source>
        <translation>Making 256-colour pictures...</translation>
    </message>
    <message>
        <source>256 DIB作成中...<byte value="xd"/> %4d / %4d コマ</source>
        <translation>Making 256-colour pictures...<byte value="xd"/> %1 / %2 frames</translation>
    </message>
    <message>
        <source>パレットイメージ作成中...</source>
        <translation>Making palette images...</translation>
    </message>
    <message>
        <source>サイズ最適化中...</source>
        <translation>Optimizing frame sizes...</translation>
    </message>
    <message>
        <source>サイズ最適化中...<byte value="xd"/> %4d / %4d コマ</source>
        <translation>Optimizing frame sizes...<byte value="xd"/> %1 / %2 frames</translation>
    </message>
    <message>
        <source>透過色で最適化中...<byte value="xd"/> %4d / %4d コマ</source>
        <translation>Optimizing with transparency...<byte value="xd"/> %1 / %2 frames</translation>
    </message>
    <message>
        <source>現在ペイントツールでコマの編集中です。<byte value="xd"/><byte value="xd"/>編集が終わったら<byte value="xd"/>上書き保管をしてペイントツールを閉じてください。<byte value="xd"/><byte value="xd"/>中止ボタンで Kivo 通常操作に戻ります。</source>
        <translation>A frame is being edited in the paint program.<byte value="xd"/><byte value="xd"/>When you are done,<byte value="xd"/>save over the same file and close the paint program.<byte value="xd"/><byte value="xd"/>The Cancel button returns to Kivo.</translation>
    </message>
    <message>
        <source>動画のコマがメモリに入りきりません。<byte value="xd"/>%d コマ × %d×%d ピクセルで %d MB、読み込めるのは %d MB までです。<byte value="xd"/>フレームレートを下げるか、範囲を短くしてください。</source>
        <translation>The video&apos;s frames do not fit into memory.<byte value="xd"/>%1 frames of %2×%3 pixels take %4 MB; at most %5 MB can be read.<byte value="xd"/>Lower the frame rate or choose a shorter range.</translation>
    </message>
    <message>
        <source>動画が大きすぎて、読み込めません。</source>
        <translation>The video is too large to read into memory.</translation>
    </message>
    <message>
        <source>この動画の圧縮形式は読めません。</source>
        <translation>This video&apos;s compression format cannot be read.</translation>
    </message>
    <message>
        <source>動画読み取り中...</source>
        <translation>Reading video...</translation>
    </message>
    <message>
        <source>動画読み取り中...<byte value="xd"/> %4d / %4d コマ</source>
        <translation>Reading video...<byte value="xd"/> %1 / %2 frames</translation>
    </message>
    <message>
        <source>動画書き込み中...</source>
        <translation>Writing video...</translation>
    </message>
    <message>
        <source>動画書き込み中...<byte value="xd"/> %4d / %4d コマ</source>
        <translation>Writing video...<byte value="xd"/> %1 / %2 frames</translation>
    </message>
    <message>
        <source>この FFmpeg には H.264 のエンコーダ (libx264) がありません。</source>
        <translation>This FFmpeg has no H.264 encoder (libx264).</translation>
    </message>
    <message>
        <source>この FFmpeg には VP9 のエンコーダ (libvpx-vp9) がありません。</source>
        <translation>This FFmpeg has no VP9 encoder (libvpx-vp9).</translation>
    </message>
    <message>
        <source>APNG 書き込み中...</source>
        <translation>Writing APNG...</translation>
    </message>
    <message>
        <source>WebP 読み取り中...</source>
        <translation>Reading WebP...</translation>
    </message>
    <message>
        <source>WebP 書き込み中...</source>
        <translation>Writing WebP...</translation>
    </message>
    <message>
        <source>WebP 書き込み中...<byte value="xd"/> %4d / %4d コマ</source>
        <translation>Writing WebP...<byte value="xd"/> %1 / %2 frames</translation>
    </message>
    <message>
        <source>WebP ファイルとして読めません。</source>
        <translation>This file cannot be read as WebP.</translation>
    </message>
    <message>
        <source>WebP の画像が大きすぎるか、コマが多すぎます。</source>
        <translation>The WebP picture is too large or has too many frames.</translation>
    </message>
    <message>
        <source>WebP ファイルが壊れています。</source>
        <translation>The WebP file is damaged.</translation>
    </message>
    <message>
        <source>%s バイトに収まりません。ロッシー 200、8 色まで試した中で最も小さいファイル (ロッシー %d、%d 色) でも %s バイトになります。</source>
        <translation>The file does not fit in %1 bytes: of everything tried, up to lossiness 200 with 8 colours, the smallest file (lossiness %2, %3 colours) is %4 bytes.</translation>
    </message>
</context>
<context>
    <name>Panel</name>
    <message>
        <source>そのまま残す</source>
        <translation>Leave in place</translation>
    </message>
    <message>
        <source>背景色でつぶす</source>
        <translation>Restore background</translation>
    </message>
    <message>
        <source>何もしない</source>
        <translation>None</translation>
    </message>
    <message>
        <source>直前の画像に戻す</source>
        <translation>Restore previous</translation>
    </message>
    <message>
        <source>%d / %d コマ</source>
        <translation>Frame %1 of %2</translation>
    </message>
    <message>
        <source>%3dコマ %3d x %3d</source>
        <translation>%1:  %2 x %3</translation>
    </message>
    <message>
        <source>%dコマ</source>
        <translation>Frame %1</translation>
    </message>
</context>
<context>
    <name>SaveSelected</name>
    <message>
        <source>現在選択中のコマは、%zu 個です。</source>
        <translation>Frames selected: %1</translation>
    </message>
</context>
<context>
    <name>VideoReadingDialog</name>
    <message>
        <source>動画の読み込み</source>
        <translation>Reading a Video</translation>
    </message>
    <message>
        <source>「%1」は長い動画です (%2 秒、毎秒 %3 コマ、%4×%5)。
読み込むコマ数を減らすには、フレームレートか範囲を指定してください。</source>
        <translation>&quot;%1&quot; is a long video (%2 seconds, %3 pictures a second, %4×%5).
To read fewer frames, choose a frame rate or a range.</translation>
    </message>
    <message>
        <source>元のまま</source>
        <translation>As recorded</translation>
    </message>
    <message>
        <source>最後まで</source>
        <translation>To the end</translation>
    </message>
    <message>
        <source>およそ %1 コマ、%2 MB (読み込めるのは %3 MB まで)</source>
        <translation>About %1 frames, %2 MB (at most %3 MB can be read)</translation>
    </message>
    <message>
        <source>フレームレート (コマ/秒):</source>
        <translation>Frame rate (frames a second):</translation>
    </message>
    <message>
        <source>開始 (秒):</source>
        <translation>Start (seconds):</translation>
    </message>
    <message>
        <source>長さ (秒):</source>
        <translation>Length (seconds):</translation>
    </message>
</context>
<context>
    <name>kivo::BlankFrameDialog</name>
    <message>
        <source>無地コマ</source>
        <translation>Blank Frame</translation>
    </message>
    <message>
        <source>コマの幅</source>
        <translation>Frame width</translation>
    </message>
    <message>
        <source>コマの高さ</source>
        <translation>Frame height</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>kivo::ColourDropper</name>
    <message>
        <source>スポイトで色を選択</source>
        <translation>Pick a Colour</translation>
    </message>
</context>
<context>
    <name>kivo::FrameListWindow</name>
    <message>
        <source>コマリスト一覧</source>
        <translation>Frame List</translation>
    </message>
</context>
<context>
    <name>kivo::MainWindow</name>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>kivo::OptionsDialog</name>
    <message>
        <source>８色</source>
        <translation>8 colours</translation>
    </message>
    <message>
        <source>１６色</source>
        <translation>16 colours</translation>
    </message>
    <message>
        <source>３２色</source>
        <translation>32 colours</translation>
    </message>
    <message>
        <source>６４色</source>
        <translation>64 colours</translation>
    </message>
    <message>
        <source>１２８色</source>
        <translation>128 colours</translation>
    </message>
    <message>
        <source>２５６色</source>
        <translation>256 colours</translation>
    </message>
    <message>
        <source>MNG 書き込みオプション</source>
        <translation>MNG Write Options</translation>
    </message>
    <message>
        <source>Gif 書き込みオプション</source>
        <translation>GIF Write Options</translation>
    </message>
    <message>
        <source>保管時常に表示</source>
        <translation>Show when saving</translation>
    </message>
    <message>
        <source>無条件ディザ</source>
        <translation>Always dither</translation>
    </message>
    <message>
        <source>インターレース</source>
        <translation>Interlace</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>パレット</source>
        <translation>Palette</translation>
    </message>
    <message>
        <source>出来るだけパレットを統一</source>
        <translation>One palette where possible</translation>
    </message>
    <message>
        <source>パレットは個々に持つ</source>
        <translation>A palette for each frame</translation>
    </message>
    <message>
        <source>最大色数</source>
        <translation>Maximum colours</translation>
    </message>
    <message>
        <source>減色しない</source>
        <translation>No colour reduction</translation>
    </message>
    <message>
        <source>JNG オプション</source>
        <translation>JNG options</translation>
    </message>
    <message>
        <source>全コマを JNG とする</source>
        <translation>Every frame as JNG</translation>
    </message>
    <message>
        <source>256色を超えるコマのみJNGとする</source>
        <translation>JNG only for frames over 256 colours</translation>
    </message>
    <message>
        <source>JNGを使わない</source>
        <translation>No JNG</translation>
    </message>
    <message>
        <source>JNG 画質(0～100)</source>
        <translation>JNG quality (0-100)</translation>
    </message>
    <message>
        <source>暫定オプション</source>
        <translation>Provisional options</translation>
    </message>
    <message>
        <source>[MHDR] の simplicity profile を正しく書く</source>
        <translation>Write the exact [MHDR] simplicity profile</translation>
    </message>
    <message>
        <source>[TERM] の省略を許さず、 delay も書き込む</source>
        <translation>Always write [TERM], with its delay</translation>
    </message>
    <message>
        <source>[FRAM] の省略を許す</source>
        <translation>Allow leaving out [FRAM]</translation>
    </message>
    <message>
        <source>[DEFI] の省略を許す</source>
        <translation>Allow leaving out [DEFI]</translation>
    </message>
    <message>
        <source>グローバルパレットを一切作らない</source>
        <translation>Never write a global palette</translation>
    </message>
    <message>
        <source>特殊オプション</source>
        <translation>Special options</translation>
    </message>
    <message>
        <source>PNGとして読んだ画像のカラーテーブルはいじらない</source>
        <translation>Keep the colour table of pictures read as PNG</translation>
    </message>
    <message>
        <source>透過色はカラーインデックス</source>
        <translation>Transparent colour: index</translation>
    </message>
    <message>
        <source>番とする</source>
        <translation>(0-255)</translation>
    </message>
    <message>
        <source>ロッシー圧縮</source>
        <translation>Lossy compression</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>大きいほどファイルが小さく、色の誤差が大きくなります (0～200)</source>
        <translation>Higher values make the file smaller and the colours less exact (0-200)</translation>
    </message>
    <message>
        <source>強さ</source>
        <translation>Lossiness</translation>
    </message>
    <message>
        <source>指定なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>この大きさに収まるよう、強さと色数を選んで保存します</source>
        <translation>Saves with the lossiness and colour count that make the file fit in this size</translation>
    </message>
    <message>
        <source>目標サイズ</source>
        <translation>Target size</translation>
    </message>
</context>
<context>
    <name>kivo::OtherOptionsDialog</name>
    <message>
        <source>（%1 を使います）</source>
        <translation>(%1 is used)</translation>
    </message>
    <message>
        <source>（%1 が見つかりません）</source>
        <translation>(none of %1 was found)</translation>
    </message>
    <message>
        <source>その他のオプション</source>
        <translation>Other Options</translation>
    </message>
    <message>
        <source>ペイントソフト</source>
        <translation>Paint program</translation>
    </message>
    <message>
        <source>標準のペイントソフトを使う</source>
        <translation>Use the standard paint program</translation>
    </message>
    <message>
        <source>その他のソフト</source>
        <translation>Other program</translation>
    </message>
    <message>
        <source>参照...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>サイズを最適化するとき透過色を使った最適化も行う</source>
        <translation>Use transparency too when optimizing frame sizes</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>表示言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>自動（システムの設定）</source>
        <translation>Automatic (system setting)</translation>
    </message>
    <message>
        <source>次回の起動から有効になります。</source>
        <translation>Takes effect the next time Kivo starts.</translation>
    </message>
    <message>
        <source>ペイントソフトの選択</source>
        <translation>Choose a Paint Program</translation>
    </message>
    <message>
        <source>アプリケーション (*)</source>
        <translation>Programs (*)</translation>
    </message>
</context>
<context>
    <name>kivo::Panel</name>
    <message>
        <source>↑上移動</source>
        <translation>↑ Up</translation>
    </message>
    <message>
        <source>↓下移動</source>
        <translation>↓ Down</translation>
    </message>
    <message>
        <source>全部選択</source>
        <translation>All</translation>
    </message>
    <message>
        <source>全体の幅</source>
        <translation>Screen width</translation>
    </message>
    <message>
        <source>全体の高さ</source>
        <translation>Screen height</translation>
    </message>
    <message>
        <source>繰り返しセット</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>繰り返し回数</source>
        <translation>Loop count</translation>
    </message>
    <message>
        <source>永久に繰り返す</source>
        <translation>Repeat forever</translation>
    </message>
    <message>
        <source>1コマの幅</source>
        <translation>Frame width</translation>
    </message>
    <message>
        <source>1コマの高さ</source>
        <translation>Frame height</translation>
    </message>
    <message>
        <source>左端の位置</source>
        <translation>Left position</translation>
    </message>
    <message>
        <source>上端の位置</source>
        <translation>Top position</translation>
    </message>
    <message>
        <source>透過色の使用</source>
        <translation>Transparency</translation>
    </message>
    <message>
        <source> 透過色</source>
        <translation> Colour</translation>
    </message>
    <message>
        <source>ウェイト有り</source>
        <translation>Use delay</translation>
    </message>
    <message>
        <source>ｳｪｲﾄ[1/100s]</source>
        <translation>Delay [1/100 s]</translation>
    </message>
    <message>
        <source>消去手段</source>
        <translation>Disposal</translation>
    </message>
    <message>
        <source>テキスト</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Key追加</source>
        <translation>Add key</translation>
    </message>
    <message>
        <source>コメント</source>
        <translation>Comment</translation>
    </message>
</context>
<context>
    <name>kivo::PicturePreview</name>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
</context>
<context>
    <name>kivo::PreviewWindow</name>
    <message>
        <source> 開始 </source>
        <translation>Play</translation>
    </message>
    <message>
        <source> 停止 </source>
        <translation>Stop</translation>
    </message>
    <message>
        <source> 背景色... </source>
        <translation>Colour...</translation>
    </message>
    <message>
        <source>先頭ｸﾘｱせず</source>
        <translation>Keep at start</translation>
    </message>
    <message>
        <source>先頭ｸﾘｱする</source>
        <translation>Clear at start</translation>
    </message>
    <message>
        <source> %1 コマ </source>
        <translation> Frame %1 </translation>
    </message>
    <message>
        <source>ロッシー結果</source>
        <translation>Lossy result</translation>
    </message>
    <message>
        <source>今の書き込みオプションで GIF に保存した結果を表示します</source>
        <translation>Shows what saving as GIF with the current write options gives</translation>
    </message>
</context>
<context>
    <name>kivo::SaveSelectedDialog</name>
    <message>
        <source>現在選択中のコマを個々に保存</source>
        <translation>Save Each Selected Frame</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>形式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>同名ファイルは
上書きする</source>
        <translation>Overwrite files
of the same name</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>コマを保存したいフォルダの選択</source>
        <translation>Choose a Folder for the Frames</translation>
    </message>
</context>
<context>
    <name>kivo::TextKeyEditor</name>
    <message>
        <source>グローバルテキストのキー編集</source>
        <translation>Edit Animation Text Keys</translation>
    </message>
    <message>
        <source>コマ %1 のキー編集</source>
        <translation>Edit Keys of Frame %1</translation>
    </message>
    <message>
        <source>現在の KEY リスト</source>
        <translation>Current keys</translation>
    </message>
    <message>
        <source>リストで選択したキーの削除</source>
        <translation>Delete the selected key</translation>
    </message>
    <message>
        <source>新規キー</source>
        <translation>New key</translation>
    </message>
    <message>
        <source>この新規キーを追加</source>
        <translation>Add this key</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>kivo::WebpOptionsDialog</name>
    <message>
        <source>WebP 書き込みオプション</source>
        <translation>WebP Write Options</translation>
    </message>
    <message>
        <source>圧縮</source>
        <translation>Compression</translation>
    </message>
    <message>
        <source>可逆 (画質そのまま)</source>
        <translation>Lossless (picture unchanged)</translation>
    </message>
    <message>
        <source>非可逆 (小さいファイル)</source>
        <translation>Lossy (smaller file)</translation>
    </message>
    <message>
        <source>保管時常に表示</source>
        <translation>Show when saving</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>圧縮の努力 (0-100)</source>
        <translation>Effort on size (0-100)</translation>
    </message>
    <message>
        <source>画質 (0-100)</source>
        <translation>Quality (0-100)</translation>
    </message>
</context>
</TS>
