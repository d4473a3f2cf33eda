<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>CompareReport</name>
    <message>
        <source>追加</source>
        <translation>Added</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Removed</translation>
    </message>
    <message>
        <source>変更</source>
        <translation>Changed</translation>
    </message>
    <message>
        <source>移動</source>
        <translation>Moved</translation>
    </message>
    <message>
        <source>読めない</source>
        <translation>Unreadable</translation>
    </message>
    <message>
        <source>カタログ (*.json *.csv);;すべてのファイル (*)</source>
        <translation>Catalogues (*.json *.csv);;All files (*)</translation>
    </message>
    <message>
        <source>おるだの♪</source>
        <translation>Ordano</translation>
    </message>
    <message>
        <source>比較できません: </source>
        <translation>Cannot compare: </translation>
    </message>
    <message>
        <source>
カタログとして読めません: </source>
        <translation>
cannot be read as a catalogue: </translation>
    </message>
    <message>
        <source>追加 %1 ／ 削除 %2 ／ 変更 %3 ／ 移動 %4 ／ 読めない %5 ／ 変更なし %6</source>
        <translation>Added %1 / Removed %2 / Changed %3 / Moved %4 / Unreadable %5 / Unchanged %6</translation>
    </message>
    <message>
        <source>絞り込み（種類・パス・内容）</source>
        <translation>Filter (kind, path, details)</translation>
    </message>
    <message>
        <source>種類</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>パス</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>テキストで保存(&amp;S)...</source>
        <translation>&amp;Save as text...</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>レポートの保存</source>
        <translation>Save the report</translation>
    </message>
    <message>
        <source>テキスト (*.txt)</source>
        <translation>Text (*.txt)</translation>
    </message>
    <message>
        <source>
に保存できません。</source>
        <translation>
cannot be saved.</translation>
    </message>
    <message>
        <source>比較する古いカタログ</source>
        <translation>Older catalogue to compare</translation>
    </message>
    <message>
        <source>比較する新しいカタログ</source>
        <translation>Newer catalogue to compare</translation>
    </message>
    <message>
        <source>カタログの比較</source>
        <translation>Compare catalogues</translation>
    </message>
    <message>
        <source>検証するカタログ</source>
        <translation>Catalogue to verify</translation>
    </message>
    <message>
        <source>カタログの検証</source>
        <translation>Verify a catalogue</translation>
    </message>
</context>
<context>
    <name>LibraryWindow</name>
    <message>
        <source>このライブラリは使えません: %1</source>
        <translation>This library cannot be used: %1</translation>
    </message>
    <message>
        <source>ライブラリが壊れているか、ライブラリではありません (%1)。</source>
        <translation>The library is damaged or is not a library (%1).</translation>
    </message>
    <message>
        <source>ディスクがいっぱいです。何も変更していません。</source>
        <translation>The disk is full. Nothing was changed.</translation>
    </message>
    <message>
        <source>メモリが足りません。</source>
        <translation>Out of memory.</translation>
    </message>
</context>
<context>
    <name>QtHost</name>
    <message>
        <source>おるだの♪ アップデート</source>
        <translation>Ordano update</translation>
    </message>
</context>
<context>
    <name>WindowStart</name>
    <message>
        <source>システム情報</source>
        <translation>System information</translation>
    </message>
    <message>
        <source>すでにおるだの♪が起動してます。</source>
        <translation>Ordano is already running.</translation>
    </message>
</context>
<context>
    <name>ordano::AdvancedPage</name>
    <message>
        <source>上段</source>
        <translation>Top</translation>
    </message>
    <message>
        <source>下段</source>
        <translation>Bottom</translation>
    </message>
    <message>
        <source>見出し</source>
        <translation>Headings</translation>
    </message>
    <message>
        <source>ボリューム名を付けない</source>
        <translation>Omit the volume name</translation>
    </message>
    <message>
        <source>フォルダ名を付けない</source>
        <translation>Omit the folder name</translation>
    </message>
    <message>
        <source>「ターゲットフォルダ」行を出さない</source>
        <translation>Omit the "target folder" line</translation>
    </message>
    <message>
        <source>「ﾌｧｲﾙ名」見出しを出さない</source>
        <translation>Omit the "file name" heading</translation>
    </message>
    <message>
        <source>「総ﾌｧｲﾙ数」行を出さない</source>
        <translation>Omit the "total files" line</translation>
    </message>
    <message>
        <source>ターゲットフォルダ名を変える</source>
        <translation>Rename the target folder</translation>
    </message>
    <message>
        <source>総ﾌｧｲﾙ数の位置</source>
        <translation>Total files position</translation>
    </message>
    <message>
        <source>出力形式</source>
        <translation>Output format</translation>
    </message>
    <message>
        <source>ツリー状に字下げする</source>
        <translation>Indent as a tree</translation>
    </message>
    <message>
        <source>空のフォルダも出力する</source>
        <translation>Include empty folders</translation>
    </message>
    <message>
        <source>相対出力にルートフォルダ名を付ける</source>
        <translation>Prefix relative paths with the root folder</translation>
    </message>
    <message>
        <source>途中のフォルダにドロップしたフォルダ名を含める</source>
        <translation>Include the dropped folder's name in paths</translation>
    </message>
    <message>
        <source>CSVにフォルダ名とファイル名を出力</source>
        <translation>Folder and file names in CSV columns</translation>
    </message>
    <message>
        <source>テキスト出力で改行する</source>
        <translation>Line breaks in text output</translation>
    </message>
    <message>
        <source>改行に&lt;br&gt;タグを付ける</source>
        <translation>Add &lt;br&gt; tags at line breaks</translation>
    </message>
    <message>
        <source>絞り込み</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>文字フィルタ (/ 区切り)</source>
        <translation>Text filter (separated by /)</translation>
    </message>
    <message>
        <source>出力</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>破棄</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>アイコンへのドロップを日数で絞る</source>
        <translation>Limit icon drops by age in days</translation>
    </message>
    <message>
        <source>日以内</source>
        <translation>days or newer</translation>
    </message>
    <message>
        <source>その他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>書庫の中身も出力する</source>
        <translation>Include archive contents</translation>
    </message>
    <message>
        <source>ショートカットのリンク先を読む</source>
        <translation>Follow shortcut targets</translation>
    </message>
    <message>
        <source>クリップボードにも出力する</source>
        <translation>Also copy to the clipboard</translation>
    </message>
    <message>
        <source>ドライブの容量を出力</source>
        <translation>Output drive capacity</translation>
    </message>
    <message>
        <source>起動時は常に上書き確認する</source>
        <translation>Always confirm overwrite at start</translation>
    </message>
    <message>
        <source>最前面に表示しない(次回起動から)</source>
        <translation>Not always on top (from next start)</translation>
    </message>
    <message>
        <source>アクリル(半透明)背景</source>
        <translation>Acrylic (translucent) background</translation>
    </message>
    <message>
        <source>完了</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>ライブラリにも登録する</source>
        <translation>Also record in the library</translation>
    </message>
    <message>
        <source>リストを書いたフォルダを検索用のライブラリにも登録します</source>
        <translation>Also records the listed folders in the library for searching</translation>
    </message>
</context>
<context>
    <name>ordano::BasicPage</name>
    <message>
        <source>出力</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>出力ファイルへの追記を行う</source>
        <translation>Append to the output file</translation>
    </message>
    <message>
        <source>上書き時に確認する</source>
        <translation>Confirm before overwriting</translation>
    </message>
    <message>
        <source>ターゲットフォルダ等の見出しを出力</source>
        <translation>Output headings (target folder, …)</translation>
    </message>
    <message>
        <source>既存のリストへ統合する</source>
        <translation>Merge into the existing list</translation>
    </message>
    <message>
        <source>日付を出力する</source>
        <translation>Output dates</translation>
    </message>
    <message>
        <source>フォルダ毎のサイズを出力</source>
        <translation>Output size per folder</translation>
    </message>
    <message>
        <source>ファイル名のみ出力</source>
        <translation>File names only</translation>
    </message>
    <message>
        <source>相対パスで出力する</source>
        <translation>Relative paths</translation>
    </message>
    <message>
        <source>保存後ファイルを開く</source>
        <translation>Open the file after saving</translation>
    </message>
    <message>
        <source>前回の拡張子を優先する</source>
        <translation>Prefer the last extension</translation>
    </message>
    <message>
        <source>MD5を出力する</source>
        <translation>Output MD5</translation>
    </message>
    <message>
        <source>HTMLでリンクを張る</source>
        <translation>Links in HTML</translation>
    </message>
    <message>
        <source>出力形式</source>
        <translation>Output format</translation>
    </message>
    <message>
        <source>通常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>フォルダ名のみ</source>
        <translation>Folder names only</translation>
    </message>
    <message>
        <source>フォルダ名\ファイル名</source>
        <translation>Folder\File name</translation>
    </message>
    <message>
        <source>HTML背景色 #</source>
        <translation>HTML background #</translation>
    </message>
    <message>
        <source>検索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>隠しファイルも含む</source>
        <translation>Include hidden files</translation>
    </message>
    <message>
        <source>サブフォルダも検索する</source>
        <translation>Search subfolders</translation>
    </message>
    <message>
        <source>検索階層</source>
        <translation>Depth</translation>
    </message>
    <message>
        <source>ﾜｲﾙﾄﾞｶｰﾄﾞ</source>
        <translation>Wildcards</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>並べ替え</source>
        <translation>Sort</translation>
    </message>
    <message>
        <source>名前</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>更新日</source>
        <translation>Modified</translation>
    </message>
    <message>
        <source>拡張子</source>
        <translation>Extension</translation>
    </message>
    <message>
        <source>エクスプローラ順</source>
        <translation>Explorer order</translation>
    </message>
    <message>
        <source>作成日</source>
        <translation>Created</translation>
    </message>
    <message>
        <source>降順</source>
        <translation>Descending</translation>
    </message>
    <message>
        <source>階層を無視して並べる</source>
        <translation>Sort across levels</translation>
    </message>
    <message>
        <source>ファイルドロップも含む</source>
        <translation>Also for dropped files</translation>
    </message>
    <message>
        <source>桁揃え・行幅</source>
        <translation>Alignment and line width</translation>
    </message>
    <message>
        <source>ファイル名を桁揃えする</source>
        <translation>Align file names</translation>
    </message>
    <message>
        <source>タブで揃える</source>
        <translation>Align with tabs</translation>
    </message>
    <message>
        <source>タブ=8桁</source>
        <translation>Tab = 8 columns</translation>
    </message>
    <message>
        <source>一行表示桁数長の指定</source>
        <translation>Set line width</translation>
    </message>
    <message>
        <source>日付範囲</source>
        <translation>Date range</translation>
    </message>
    <message>
        <source>日付範囲を指定する</source>
        <translation>Limit to a date range</translation>
    </message>
    <message>
        <source>現在時間</source>
        <translation>Now</translation>
    </message>
    <message>
        <source>～</source>
        <translation>to</translation>
    </message>
</context>
<context>
    <name>ordano::DrivePage</name>
    <message>
        <source>ドライブ丸ごと</source>
        <translation>Whole drive</translation>
    </message>
    <message>
        <source>ドライブ</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>丸ごと一覧実行</source>
        <translation>List whole drive</translation>
    </message>
</context>
<context>
    <name>ordano::FolderListHint</name>
    <message>
        <source>処理したい複数のフォルダをドロップしてください</source>
        <translation>Drop the folders to list here</translation>
    </message>
</context>
<context>
    <name>ordano::FolderListPage</name>
    <message>
        <source>削除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>全クリア</source>
        <translation>Clear all</translation>
    </message>
    <message>
        <source>リスト実行</source>
        <translation>Make list</translation>
    </message>
</context>
<context>
    <name>ordano::HtmlTagPage</name>
    <message>
        <source>ヘッダタグ (&lt;head&gt;～&lt;/head&gt;)</source>
        <translation>Header tags (&lt;head&gt;–&lt;/head&gt;)</translation>
    </message>
    <message>
        <source>bodyタグ</source>
        <translation>body tags</translation>
    </message>
    <message>
        <source>リンクタグ (%1～%6)</source>
        <translation>Link tags (%1–%6)</translation>
    </message>
    <message>
        <source>フォルダ行のtd属性</source>
        <translation>td attributes of folder rows</translation>
    </message>
    <message>
        <source>ファイル行のtd属性</source>
        <translation>td attributes of file rows</translation>
    </message>
</context>
<context>
    <name>ordano::InfoPage</name>
    <message>
        <source>おるだの♪ Ver %1 (Linux)</source>
        <translation>Ordano ♪ Ver %1 (Linux)</translation>
    </message>
    <message>
        <source>ファイル・フォルダの一覧を作るツール</source>
        <translation>A tool that lists files and folders</translation>
    </message>
    <message>
        <source>Linux版: Qt 6 / libarchive / libcurl で動いています</source>
        <translation>Linux edition: runs on Qt 6 / libarchive / libcurl</translation>
    </message>
    <message>
        <source>タイトル表示をする</source>
        <translation>Show the title</translation>
    </message>
    <message>
        <source>タイトル表示1</source>
        <translation>Title 1</translation>
    </message>
    <message>
        <source>タイトル表示2</source>
        <translation>Title 2</translation>
    </message>
    <message>
        <source>Ordano Updateを行う</source>
        <translation>Run Ordano Update</translation>
    </message>
    <message>
        <source>オンラインアップデートを行う場合クリックしてください</source>
        <translation>Click to update online</translation>
    </message>
</context>
<context>
    <name>ordano::LibraryHitModel</name>
    <message>
        <source>オンライン</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>オフライン</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>名前</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>更新日時</source>
        <translation>Modified</translation>
    </message>
    <message>
        <source>ボリューム</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>状態</source>
        <translation>Status</translation>
    </message>
</context>
<context>
    <name>ordano::LibrarySearchWindow</name>
    <message>
        <source>検索(&amp;S)</source>
        <translation>&amp;Search</translation>
    </message>
    <message>
        <source>ライブラリを検索</source>
        <translation>Search the library</translation>
    </message>
    <message>
        <source>名前の一部 (空白で区切って複数)</source>
        <translation>Part of a name (several separated by spaces)</translation>
    </message>
    <message>
        <source>探すファイルの名前を入力してください。</source>
        <translation>Enter the name of the file to find.</translation>
    </message>
    <message>
        <source>名前(&amp;N):</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>見つかりませんでした。</source>
        <translation>Nothing found.</translation>
    </message>
    <message numerus="yes">
        <source>%n 件見つかりました。</source>
        <translation><numerusform>%n file found.</numerusform><numerusform>%n files found.</numerusform></translation>
    </message>
    <message>
        <source>ライブラリはまだありません (%1)。ordanou --add でフォルダを登録してください。</source>
        <translation>There is no library yet (%1). Record a folder with ordanou --add.</translation>
    </message>
    <message>
        <source>ライブラリを開けませんでした。</source>
        <translation>Could not open the library.</translation>
    </message>
    <message>
        <source>検索中…</source>
        <translation>Searching…</translation>
    </message>
    <message>
        <source>%1
が見つかりません。ライブラリの記録が古いようです (ordanou --add でもう一度登録できます)。</source>
        <translation>%1
was not found. The library's record seems out of date (ordanou --add records it again).</translation>
    </message>
    <message>
        <source>%1
を開けませんでした。</source>
        <translation>Could not open
%1</translation>
    </message>
    <message>
        <source>「%1」</source>
        <translation>"%1"</translation>
    </message>
    <message>
        <source> (UUID %1)</source>
        <translation> (UUID %1)</translation>
    </message>
    <message>
        <source>このファイルはボリューム%1にあります。
そのボリュームは接続されていません。接続してから開いてください。</source>
        <translation>This file is on volume %1.
That volume is not connected. Connect it, then open the file.</translation>
    </message>
</context>
<context>
    <name>ordano::LibraryVolumesWindow</name>
    <message>
        <source>忘れる(&amp;F)...</source>
        <translation>&amp;Forget...</translation>
    </message>
    <message>
        <source>最新の情報に更新(&amp;R)</source>
        <translation>&amp;Refresh</translation>
    </message>
    <message>
        <source>ライブラリのボリューム</source>
        <translation>Library volumes</translation>
    </message>
    <message>
        <source>ラベル</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>UUID</source>
        <translation>UUID</translation>
    </message>
    <message>
        <source>最後に見た日時</source>
        <translation>Last seen</translation>
    </message>
    <message>
        <source>状態</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>ファイル数</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>合計サイズ</source>
        <translation>Total size</translation>
    </message>
    <message>
        <source>容量</source>
        <translation>Capacity</translation>
    </message>
    <message>
        <source>選んだボリュームの記録をライブラリから消します (ディスクの中身はそのままです)。</source>
        <translation>Removes the chosen volume's record from the library (the disk itself is left as it is).</translation>
    </message>
    <message>
        <source>(ラベルなし)</source>
        <translation>(no label)</translation>
    </message>
    <message>
        <source>オンライン</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>オフライン</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>ライブラリはまだありません (%1)。</source>
        <translation>There is no library yet (%1).</translation>
    </message>
    <message numerus="yes">
        <source>%n 個のボリューム</source>
        <translation><numerusform>%n volume</numerusform><numerusform>%n volumes</numerusform></translation>
    </message>
    <message>
        <source>ボリューム「%1」をライブラリから忘れますか?
%2 個のファイルの記録が消えます (ディスクの中身はそのままです)。</source>
        <translation>Forget the volume "%1" in the library?
The records of %2 files go (the disk itself is left as it is).</translation>
    </message>
    <message>
        <source>「%1」を忘れました (%2 個のファイル)。</source>
        <translation>Forgot "%1" (%2 files).</translation>
    </message>
</context>
<context>
    <name>ordano::MainWindow</name>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>カタログの比較(&amp;C)...</source>
        <translation>&amp;Compare catalogues...</translation>
    </message>
    <message>
        <source>カタログの検証(&amp;V)...</source>
        <translation>&amp;Verify a catalogue...</translation>
    </message>
    <message>
        <source>おるだの♪の終了(&amp;E)</source>
        <translation>&amp;Quit Ordano</translation>
    </message>
    <message>
        <source>設定(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>タイトル(&amp;T)</source>
        <translation>&amp;Title</translation>
    </message>
    <message>
        <source>起動時タイトルを表示しない(&amp;T)</source>
        <translation>Do not show the &amp;title at start</translation>
    </message>
    <message>
        <source>もう一度タイトルを見る(&amp;1)</source>
        <translation>Show the title again (&amp;1)</translation>
    </message>
    <message>
        <source>ずっと表示したままにする(&amp;2)</source>
        <translation>Keep the title shown (&amp;2)</translation>
    </message>
    <message>
        <source>プロファイル設定(&amp;P)</source>
        <translation>&amp;Profiles</translation>
    </message>
    <message>
        <source>設定画面(&amp;E)</source>
        <translation>&amp;Edit profiles</translation>
    </message>
    <message>
        <source>設定変更時、終了時に保存確認(&amp;S)</source>
        <translation>Ask to &amp;save changed settings at quit</translation>
    </message>
    <message>
        <source>デフォルトに戻す(&amp;D)</source>
        <translation>Reset to &amp;defaults</translation>
    </message>
    <message>
        <source>タブ位置を保存する(&amp;T)</source>
        <translation>Remember the &amp;tab</translation>
    </message>
    <message>
        <source>ドライブ丸ごとのドライブ位置を保存する(&amp;D)</source>
        <translation>Remember the whole-&amp;drive choice</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>基本設定(&amp;B)</source>
        <translation>&amp;Basic</translation>
    </message>
    <message>
        <source>応用設定(&amp;E)</source>
        <translation>Advanc&amp;ed</translation>
    </message>
    <message>
        <source>拡張機能(&amp;X)</source>
        <translation>E&amp;xtras</translation>
    </message>
    <message>
        <source>マルチフォルダ(&amp;M)</source>
        <translation>&amp;Multi-folder</translation>
    </message>
    <message>
        <source>情報表示(&amp;I)</source>
        <translation>&amp;Information</translation>
    </message>
    <message>
        <source>ツール(&amp;T)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>ライブラリを検索(&amp;S)...</source>
        <translation>&amp;Search the library...</translation>
    </message>
    <message>
        <source>ライブラリのボリューム(&amp;V)...</source>
        <translation>Library &amp;volumes...</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>目次(&amp;C)</source>
        <translation>&amp;Contents</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>▲</source>
        <translation>▲</translation>
    </message>
    <message>
        <source>コンパクトモード/通常モード切替
▲：コンパクトモードへ
▼：通常モードへ</source>
        <translation>Compact / normal mode
▲: to compact mode
▼: to normal mode</translation>
    </message>
    <message>
        <source>★</source>
        <translation>★</translation>
    </message>
    <message>
        <source>プロファイル画面を表示します。</source>
        <translation>Opens the profiles.</translation>
    </message>
    <message>
        <source>▲▲</source>
        <translation>▲▲</translation>
    </message>
    <message>
        <source>基本(出力設定)</source>
        <translation>Basic (output)</translation>
    </message>
    <message>
        <source>高度(追加設定)</source>
        <translation>Advanced (more)</translation>
    </message>
    <message>
        <source>拡張機能</source>
        <translation>Extras</translation>
    </message>
    <message>
        <source>マルチフォルダ</source>
        <translation>Multi-folder</translation>
    </message>
    <message>
        <source>Web検索</source>
        <translation>Web search</translation>
    </message>
    <message>
        <source>情報表示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>ファイルまたはフォルダをドロップしてください</source>
        <translation>Drop files or folders here</translation>
    </message>
    <message>
        <source>開発HPへ</source>
        <translation>Home page</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>おるだの♪を終了します。</source>
        <translation>Quits Ordano.</translation>
    </message>
    <message>
        <source>開発HPを開きます。</source>
        <translation>Opens the developer's home page.</translation>
    </message>
    <message>
        <source>▼</source>
        <translation>▼</translation>
    </message>
    <message>
        <source>新規</source>
        <translation>New</translation>
    </message>
    <message>
        <source>おるだの♪の設定項目が変更されました。
以下の保存の種類から選択してください保存を行います。

[はい]新規プロファイルを作成し保存します。
[いいえ]現在のプロファイルへ保存します。
[キャンセル]保存せずに終了します。</source>
        <translation>Ordano's settings have changed.
Choose how to save them:

[Yes] Save them as a new profile.
[No] Save them to the current profile.
[Cancel] Quit without saving.</translation>
    </message>
    <message>
        <source>処理の実行中です。終わるか中止してからドロップしてください。</source>
        <translation>A list is being made. Drop again when it has finished or after stopping it.</translation>
    </message>
    <message>
        <source>おるだの♪</source>
        <translation>Ordano</translation>
    </message>
    <message>
        <source>おるだの♪ Ver %1 [%2:%3]</source>
        <translation>Ordano Ver %1 [%2:%3]</translation>
    </message>
</context>
<context>
    <name>ordano::Message</name>
    <message>
        <source>おるだの♪</source>
        <translation>Ordano</translation>
    </message>
    <message>
        <source>Ordano</source>
        <translation>Ordano</translation>
    </message>
    <message>
        <source>上書きしちゃうよ？</source>
        <translation>Overwrite?</translation>
    </message>
    <message>
        <source>おるだの♪書き出しエラー</source>
        <translation>Ordano: write error</translation>
    </message>
    <message>
        <source>編集できないよ～</source>
        <translation>Cannot edit</translation>
    </message>
    <message>
        <source>Web検索</source>
        <translation>Web search</translation>
    </message>
    <message>
        <source>16進数チェック</source>
        <translation>Hexadecimal check</translation>
    </message>
    <message>
        <source>次のフォルダ・ファイルを読み込めませんでした。その内容はリストに含まれていません。</source>
        <translation>These folders and files could not be read. Their contents are not in the list.</translation>
    </message>
    <message>
        <source>ほか%1件</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>ライブラリに登録できませんでした。
%1: %2</source>
        <translation>Nothing could be recorded in the library.
%1: %2</translation>
    </message>
    <message>
        <source>次のものはライブラリに登録していません。</source>
        <translation>These were not recorded in the library.</translation>
    </message>
    <message>
        <source>%1
ﾌｧｲﾙはすでに存在しています。上書きしますか？</source>
        <translation>%1
The file already exists. Overwrite it?</translation>
    </message>
    <message>
        <source>%1
元のファイルを元に戻せませんでした。</source>
        <translation>%1
The original file could not be restored.</translation>
    </message>
    <message>
        <source>リスト結果をクリップボードへ保存しました。</source>
        <translation>The list has been copied to the clipboard.</translation>
    </message>
    <message>
        <source>%1: %2
ファイルの生成または書き出しに失敗しました。
ファイルが他のアプリケーションによって使われていないか確認してください。
または隠し属性や読み込み属性になっていないことも確認してください。</source>
        <translation>%1: %2
The file could not be created or written.
Check that no other application is using it.
Also check that it is not hidden or read-only.</translation>
    </message>
    <message>
        <source>%1: %2
ファイルの生成または書き出しに失敗しました。
まだ作成していないファイルに対し追記処理を行おうとした場合は最初は追記なしで出力してください
ファイルが他のアプリケーションによって使われていないか確認してください。
または隠し属性や読み込み属性になっていないことも確認してください。</source>
        <translation>%1: %2
The file could not be created or written.
To append to a file that does not exist yet, write it once without appending first.
Check that no other application is using it.
Also check that it is not hidden or read-only.</translation>
    </message>
    <message>
        <source>%1
ﾌｧｲﾙが空です。</source>
        <translation>%1
The file is empty.</translation>
    </message>
    <message>
        <source>開始日付より終了日付が前になっています。</source>
        <translation>The end date is before the start date.</translation>
    </message>
    <message>
        <source>ファイルは1つだけドロップしてください。</source>
        <translation>Drop only one file.</translation>
    </message>
    <message>
        <source>該当ドライブがないか該当ドライブにファイルがありません。</source>
        <translation>The drive does not exist or has no files.</translation>
    </message>
    <message>
        <source>16進コード0～9、a～f以外は使えません。</source>
        <translation>Only the hexadecimal digits 0-9 and a-f can be used.</translation>
    </message>
    <message>
        <source>%1獲得中:%2</source>
        <translation>%1 reading:%2</translation>
    </message>
    <message>
        <source>http:// または https:// で始まる正しいURLを入力してください。</source>
        <translation>Enter a valid URL starting with http:// or https://.</translation>
    </message>
    <message>
        <source>インターネット接続を初期化できませんでした。</source>
        <translation>The Internet connection could not be set up.</translation>
    </message>
    <message>
        <source>検索中: %1件検出 / 待機%2件<byte value="xd" />
%3<byte value="xd" />
上限: HTML/CSS %4ページ、URL %5件、深度%6</source>
        <translation>Searching: %1 found / %2 waiting<byte value="xd" />
%3<byte value="xd" />
Limits: HTML/CSS %4 pages, %5 URLs, depth %6</translation>
    </message>
    <message>
        <source>中止しました。部分結果: %1件（取得ページ: %2件）</source>
        <translation>Stopped. Partial result: %1 (pages fetched: %2)</translation>
    </message>
    <message>
        <source>安全上限に達したため終了しました。結果: %1件（取得ページ: %2件）</source>
        <translation>Ended at the safety limit. Result: %1 (pages fetched: %2)</translation>
    </message>
    <message>
        <source>検索完了: %1件（取得ページ: %2件）<byte value="xd" />
基本・高度タブの設定で保存します。</source>
        <translation>Search finished: %1 (pages fetched: %2)<byte value="xd" />
Saving with the settings of the Basic and Advanced tabs.</translation>
    </message>
    <message>
        <source>開始URLの取得に失敗しました（HTTP %1）。</source>
        <translation>The start URL could not be fetched (HTTP %1).</translation>
    </message>
    <message>
        <source>通信に失敗しました (%1)。<byte value="xd" />
%2</source>
        <translation>The connection failed (%1).<byte value="xd" />
%2</translation>
    </message>
    <message>
        <source>通信に失敗しました (%1)。<byte value="xd" />
エラーコード %1</source>
        <translation>The connection failed (%1).<byte value="xd" />
Error code %1</translation>
    </message>
    <message>
        <source>受信に失敗しました (%1)。<byte value="xd" />
%2</source>
        <translation>Receiving failed (%1).<byte value="xd" />
%2</translation>
    </message>
    <message>
        <source>受信に失敗しました (%1)。<byte value="xd" />
エラーコード %1</source>
        <translation>Receiving failed (%1).<byte value="xd" />
Error code %1</translation>
    </message>
    <message>
        <source>高度タブのクリップボード保存設定に従って出力します。<byte value="xd" />
%1件</source>
        <translation>Writing to the clipboard as set on the Advanced tab.<byte value="xd" />
%1 items</translation>
    </message>
    <message>
        <source>基本・高度タブの設定に従って保存ダイアログを開きます。<byte value="xd" />
%1件</source>
        <translation>Opening the save dialog with the settings of the Basic and Advanced tabs.<byte value="xd" />
%1 items</translation>
    </message>
    <message>
        <source>保存処理中にエラーが発生しました。</source>
        <translation>An error occurred while saving.</translation>
    </message>
    <message>
        <source>出力処理が終わりました。<byte value="xd" />
最終結果: %1件</source>
        <translation>Output finished.<byte value="xd" />
Final result: %1 items</translation>
    </message>
    <message>
        <source>リスト化したいページのURLを入力してください。</source>
        <translation>Enter the URL of the page to list.</translation>
    </message>
    <message>
        <source>Web検索中に内部エラーが発生しました。</source>
        <translation>An internal error occurred during the web search.</translation>
    </message>
    <message>
        <source>検索を中止しました。ここまでの結果を保存しますか？</source>
        <translation>The search was stopped. Save the results so far?</translation>
    </message>
    <message>
        <source>このビルドには更新サーバーが設定されていないため、更新の確認はできません。</source>
        <translation>This build has no update server, so updates cannot be checked.</translation>
    </message>
    <message>
        <source>ORDANO_UPDATE_URL は https:// で始まるURLにしてください（http:// はこのコンピューター内のみ）。</source>
        <translation>ORDANO_UPDATE_URL must be a URL starting with https:// (http:// only on this computer).</translation>
    </message>
    <message>
        <source>更新の確認に失敗しました。
ネットワーク接続を確認してください。</source>
        <translation>The update check failed.
Check the network connection.</translation>
    </message>
    <message>
        <source>お使いのおるだの♪は最新です。</source>
        <translation>Your Ordano is up to date.</translation>
    </message>
    <message>
        <source>アップデートファイルがあります。
今すぐ更新しますか？
(いいえ = 今回はこのまま起動します)</source>
        <translation>An update is available.
Update now?
(No = start as it is this time)</translation>
    </message>
    <message>
        <source>アップデートファイルがあります。
今すぐ更新しますか？

%1</source>
        <translation>An update is available.
Update now?

%1</translation>
    </message>
    <message>
        <source>今すぐ更新しますか？</source>
        <translation>Update now?</translation>
    </message>
    <message>
        <source>ダウンロードに失敗しました。
ネットワーク接続を確認してください。</source>
        <translation>The download failed.
Check the network connection.</translation>
    </message>
    <message>
        <source>ダウンロードが時間内に終わりませんでした。
ネットワーク接続を確認してください。</source>
        <translation>The download did not finish in time.
Check the network connection.</translation>
    </message>
    <message>
        <source>ダウンロードしたファイルの展開に失敗しました。</source>
        <translation>The downloaded file could not be extracted.</translation>
    </message>
    <message>
        <source>更新用の一時フォルダを作成できませんでした。
%1: %2</source>
        <translation>The temporary folder for the update could not be created.
%1: %2</translation>
    </message>
    <message>
        <source>更新用の一時フォルダを作成できませんでした。
%1: フォルダではありません（ファイルかリンクがあります）</source>
        <translation>The temporary folder for the update could not be created.
%1: not a folder (a file or a link is there)</translation>
    </message>
    <message>
        <source>更新用の一時フォルダを作成できませんでした。
%1: 別のユーザーのフォルダです</source>
        <translation>The temporary folder for the update could not be created.
%1: the folder belongs to another user</translation>
    </message>
    <message>
        <source>システム情報: すでにおるだの♪が起動してます。</source>
        <translation>System information: Ordano is already running.</translation>
    </message>
    <message>
        <source>使用中のプロファイルは削除できません。
使用していないプロファイルを選択するなどしてください。</source>
        <translation>The profile in use cannot be deleted.
Choose a profile that is not in use.</translation>
    </message>
    <message>
        <source>ファイル数獲得中... %1</source>
        <translation>Counting files... %1</translation>
    </message>
    <message>
        <source>処理中 %1% (%2/%3)</source>
        <translation>Working %1% (%2/%3)</translation>
    </message>
    <message>
        <source>おるだの♪出力ファイル保存 [%1]: </source>
        <translation>Save Ordano&apos;s catalogue as [%1]: </translation>
    </message>
    <message>
        <source>ordano.exe
Usage:
ordano [/O:出力フォルダ名] [/F:出力ファイル名] [/H:htmlで吐く場合付ける] リストするフォルダ
※出力フォルダはすでに存在するフォルダ名を指定してください。新規には作りません
</source>
        <translation>ordano.exe
Usage:
ordano [/O:output folder] [/F:output file name] [/H:add for HTML] folders to list
* The output folder must already exist; it is not created
</translation>
    </message>
</context>
<context>
    <name>ordano::ProfileDialog</name>
    <message>
        <source>プロファイル設定</source>
        <translation>Profiles</translation>
    </message>
    <message>
        <source>プロファイル名</source>
        <translation>Profile name</translation>
    </message>
    <message>
        <source>最終更新</source>
        <translation>Last changed</translation>
    </message>
    <message>
        <source>使用中</source>
        <translation>In use</translation>
    </message>
    <message>
        <source>新規プロファイルを作成</source>
        <translation>Create a new profile</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>デフォルトに戻す</source>
        <translation>Reset to defaults</translation>
    </message>
    <message>
        <source>プロファイル名を変更する(&amp;P)</source>
        <translation>Rename the &amp;profile</translation>
    </message>
    <message>
        <source>プロファイルを削除する(&amp;D)</source>
        <translation>&amp;Delete the profile</translation>
    </message>
    <message>
        <source>デフォルト使用するプロファイルに設定する(&amp;S)</source>
        <translation>U&amp;se as the default profile</translation>
    </message>
    <message>
        <source>おるだの♪</source>
        <translation>Ordano</translation>
    </message>
    <message>
        <source>現在のプロファイルを保存して他のプロファイルに切り替えますか？
(保存せずに切り替える場合はいいえを選択してください)</source>
        <translation>Save the current profile and switch to the other one?
(Choose No to switch without saving.)</translation>
    </message>
    <message>
        <source>使用中のプロファイルは削除できません。
使用していないプロファイルを選択するなどしてください。</source>
        <translation>The profile in use cannot be deleted.
Choose a profile that is not in use.</translation>
    </message>
    <message>
        <source>プロファイル「%1」を削除します。
よろしいですか？</source>
        <translation>Delete the profile "%1"?
Are you sure?</translation>
    </message>
</context>
<context>
    <name>ordano::ProfileNameDialog</name>
    <message>
        <source>プロファイル名変更</source>
        <translation>Rename profile</translation>
    </message>
    <message>
        <source>プロファイル名</source>
        <translation>Profile name</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取り消し</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ordano::ProgressWindow</name>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>ファイル数獲得中... %1</source>
        <translation>Counting files... %1</translation>
    </message>
    <message>
        <source>処理中 %1% (%2/%3)</source>
        <translation>Working %1% (%2/%3)</translation>
    </message>
    <message>
        <source>ダウンロード中 %1%</source>
        <translation>Downloading %1%</translation>
    </message>
    <message>
        <source>ダウンロード中...</source>
        <translation>Downloading...</translation>
    </message>
    <message>
        <source>おるだの♪</source>
        <translation>Ordano</translation>
    </message>
</context>
<context>
    <name>ordano::SaveFileDialog</name>
    <message>
        <source>対応ファイル(*.txt,*.html,*.csv) (*.txt *.csv *.html *.htm)</source>
        <translation>Supported files (*.txt,*.html,*.csv) (*.txt *.csv *.html *.htm)</translation>
    </message>
    <message>
        <source>txtファイル(*.txt) (*.txt)</source>
        <translation>Text files (*.txt) (*.txt)</translation>
    </message>
    <message>
        <source>htmlファイル(*.html) (*.html *.htm)</source>
        <translation>HTML files (*.html) (*.html *.htm)</translation>
    </message>
    <message>
        <source>csvファイル(*.csv) (*.csv)</source>
        <translation>CSV files (*.csv) (*.csv)</translation>
    </message>
    <message>
        <source>すべてのファイル(*.*) (*.txt *)</source>
        <translation>All files (*.*) (*.txt *)</translation>
    </message>
    <message>
        <source>jsonファイル(*.json) (*.json)</source>
        <translation>JSON files (*.json) (*.json)</translation>
    </message>
    <message>
        <source>JSON Linesファイル(*.jsonl) (*.jsonl)</source>
        <translation>JSON Lines files (*.jsonl) (*.jsonl)</translation>
    </message>
    <message>
        <source>検索できるhtml(*.view.html) (*.view.html)</source>
        <translation>Searchable HTML (*.view.html) (*.view.html)</translation>
    </message>
    <message>
        <source>ライブラリ(*.sqlite) (*.sqlite)</source>
        <translation>Library (*.sqlite) (*.sqlite)</translation>
    </message>
    <message>
        <source>おるだの♪出力ファイル保存</source>
        <translation>Ordano: save the output file</translation>
    </message>
    <message>
        <source>最終確認</source>
        <translation>Final check</translation>
    </message>
    <message>
        <source>出力ファイルへの追記を行う</source>
        <translation>Append to the output file</translation>
    </message>
    <message>
        <source>保存後ファイルを開く</source>
        <translation>Open the file after saving</translation>
    </message>
    <message>
        <source>一行表示桁数長の指定</source>
        <translation>Set line width</translation>
    </message>
    <message>
        <source>字下げ形式(ツリーもどき)で出力</source>
        <translation>Indented (tree-like) output</translation>
    </message>
    <message>
        <source>テキストをUTF-8で出力 (LF, BOMなし)</source>
        <translation>Text in UTF-8 (LF, no BOM)</translation>
    </message>
</context>
<context>
    <name>ordano::TitleSplash</name>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>ordano::ToolkitSurface</name>
    <message>
        <source>アクリル(半透明)モード</source>
        <translation>Acrylic (translucent) mode</translation>
    </message>
    <message>
        <source>メニューフォントサイズ</source>
        <translation>Menu font size</translation>
    </message>
    <message>
        <source>太字</source>
        <translation>Bold</translation>
    </message>
    <message>
        <source>斜体</source>
        <translation>Italic</translation>
    </message>
</context>
<context>
    <name>ordano::WebPage</name>
    <message>
        <source>リスト化して保存</source>
        <translation>List and save</translation>
    </message>
    <message>
        <source>Web検索(URL配下リスト化)</source>
        <translation>Web search (list under a URL)</translation>
    </message>
    <message>
        <source>対象URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>中止処理中...</source>
        <translation>Stopping...</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>同一ホスト・指定パス配下のHTMLを辿り、リンク、画像、動画、音声、CSS等を列挙します。<byte value="xd" />
出力は基本・高度タブの設定に従います（クリップボード保存も含む）。<byte value="xd" />
開始後は同じボタンで中止できます。</source>
        <translation>Follows the HTML pages on the same host under the given path and lists links, images, videos, sounds, CSS and so on.<byte value="xd" />
The output follows the settings of the Basic and Advanced tabs (the clipboard too).<byte value="xd" />
The same button stops it once started.</translation>
    </message>
</context>
</TS>