#include "editor/UiTexts.h"

#include <array>

namespace editor {

namespace {

using K = TextKind;

// The program's texts. Command texts keep their mnemonic marks ("(&A)") as Qt shows them.
constexpr std::array kTexts = {
    // Menu titles of the menu bar (ours).
    UiText{K::MenuTitle, MenuFile, "ファイル(&F)", "File", "", true},
    UiText{K::MenuTitle, MenuEdit, "編集(&E)", "Edit", "", true},
    UiText{K::MenuTitle, MenuLayer, "レイヤー(&L)", "Layer", "", true},
    UiText{K::MenuTitle, MenuTrack, "トラック", "Track (tile menu)", "", false},
    UiText{K::MenuTitle, MenuTerrain, "地形", "Terrain", "", false},
    UiText{K::MenuTitle, MenuView, "表示(&V)", "View", "", true},
    UiText{K::MenuTitle, Menu3D, "3D(&D)", "3D view", "", true},
    UiText{K::MenuTitle, MenuHelp, "ヘルプ(&H)", "Help", "", true},
    UiText{K::MenuTitle, MenuStationStop, "駅での停車時間", "Station stop time", "", false},
    UiText{K::MenuTitle, MenuReversingWait, "逆行運転までの待ち時間", "Wait before reversing", "",
           false},
    UiText{K::MenuTitle, MenuHeight, "高さ", "Height", "", true},
    UiText{K::MenuTitle, MenuPier, "橋脚", "Piers", "", true},
    UiText{K::MenuTitle, MenuWindows, "ウィンドウ(&W)", "Windows", "", true},
    UiText{K::MenuTitle, Menu3DWindowFile, "ファイル", "3D window: File", "", false},
    UiText{K::MenuTitle, Menu3DWindowView, "３Ｄビュー", "3D window: 3D view", "", false},
    UiText{K::MenuTitle, Menu3DWindowControl, "コントロール", "3D window: Control", "", false},

    // The command table of the main menu.
    UiText{K::Command, 57600, "新規作成", "New", "Ctrl+N", false},
    UiText{K::Command, 57601, "開く...", "Open", "Ctrl+O", false},
    UiText{K::Command, 57603, "上書き保存", "Save", "Ctrl+S", false},
    UiText{K::Command, 57604, "名前を付けて保存(&A)...", "Save as", "", false},
    UiText{K::Command, 1245, "初期設定...", "Settings", "", false},
    UiText{K::Command, 57607, "印刷...", "Print", "Ctrl+P", false},
    UiText{K::Command, 57609, "印刷プレビュー(&V)", "Print preview", "", false},
    UiText{K::Command, 57606, "プリンタの設定(&R)...", "Printer setup", "", false},
    UiText{K::Command, 57616, "最近使ったファイル", "Recent files", "", false},
    UiText{K::Command, 57665, "アプリケーションの終了(&X)", "Exit", "", false},
    UiText{K::Command, 57643, "元に戻す", "Undo", "Ctrl+Z, Alt+Backspace", false},
    UiText{K::Command, 57635, "切り取り", "Cut", "Ctrl+X, Shift+Delete", false},
    UiText{K::Command, 57634, "コピー", "Copy", "Ctrl+C, Ctrl+Insert", false},
    UiText{K::Command, 57637, "貼り付け", "Paste", "Ctrl+V, Shift+Insert", false},
    UiText{K::Command, 1325, "レイアウトサイズ", "Layout size", "", false},
    UiText{K::Command, 1625, "地上線路", "Ground track", "Ctrl+Alt+1", false},
    UiText{K::Command, 1626, "高架線路１", "Elevated track 1", "Ctrl+Alt+2", false},
    UiText{K::Command, 1627, "高架線路２", "Elevated track 2", "Ctrl+Alt+3", false},
    UiText{K::Command, 1628, "高架線路３", "Elevated track 3", "Ctrl+Alt+4", false},
    UiText{K::Command, 1629, "高架線路４", "Elevated track 4", "Ctrl+Alt+5", false},
    UiText{K::Command, 1630, "地形", "Terrain", "Ctrl+Alt+6", false},
    UiText{K::Command, 1326, "９０°回転", "Rotate 90°", "Ctrl+R", false},
    UiText{K::Command, 1327, "１８０°回転", "Rotate 180°", "", false},
    UiText{K::Command, 1328, "２７０°回転", "Rotate 270°", "", false},
    UiText{K::Command, 1329, "左右反転", "Mirror left-right", "Ctrl+H", false},
    UiText{K::Command, 1330, "上下反転", "Mirror top-bottom", "", false},
    UiText{K::Command, 1331, "削除", "Delete (tile menu)", "", false},
    UiText{K::Command, 1332, "切り取り", "Cut (tile menu)", "", false},
    UiText{K::Command, 1333, "コピー", "Copy (tile menu)", "", false},
    UiText{K::Command, 1334, "貼り付け", "Paste (tile menu)", "", false},
    UiText{K::Command, 1335, "元に戻す", "Undo (tile menu)", "", false},
    UiText{K::Command, 1345, "ポイント番号変更...", "Change point number", "", false},
    UiText{K::Command, 1346, "停車しない", "Station stop: Do not stop", "", false},
    UiText{K::Command, 1347, "２秒", "Station stop: 2 s", "", false},
    UiText{K::Command, 1348, "５秒", "Station stop: 5 s", "", false},
    UiText{K::Command, 1349, "１０秒", "Station stop: 10 s", "", false},
    UiText{K::Command, 1350, "２０秒", "Station stop: 20 s", "", false},
    UiText{K::Command, 1351, "６０秒", "Station stop: 60 s", "", false},
    UiText{K::Command, 1352, "エンジンを停止する", "Station stop: Stop the engine", "", false},
    UiText{K::Command, 1355, "逆行運転しない", "Reversing wait: Do not reverse", "", false},
    UiText{K::Command, 1356, "２秒", "Reversing wait: 2 s", "", false},
    UiText{K::Command, 1357, "５秒", "Reversing wait: 5 s", "", false},
    UiText{K::Command, 1358, "１０秒", "Reversing wait: 10 s", "", false},
    UiText{K::Command, 1359, "２０秒", "Reversing wait: 20 s", "", false},
    UiText{K::Command, 1360, "６０秒", "Reversing wait: 60 s", "", false},
    UiText{K::Command, 1365, "3m", "Elevation offset 0 (text follows the tile)", "", false},
    UiText{K::Command, 1366, "2m", "Elevation offset 1 (text follows the tile)", "", false},
    UiText{K::Command, 1367, "1m", "Elevation offset 2 (text follows the tile)", "", false},
    UiText{K::Command, 1368, "0m", "Elevation offset 3 (text follows the tile)", "", false},
    UiText{K::Command, 1375, "なし", "Pier: No pier", "", false},
    UiText{K::Command, 1376, "石垣", "Pier: Stone wall", "", false},
    UiText{K::Command, 1377, "コンクリート１", "Pier: Concrete 1", "", false},
    UiText{K::Command, 1378, "コンクリート２", "Pier: Concrete 2", "", false},
    UiText{K::Command, 1379, "鉄", "Pier: Iron", "", false},
    UiText{K::Command, 1380, "石垣（アーチ）", "Pier: Stone arch", "", false},
    UiText{K::Command, 1381, "鉄（アーチ）", "Pier: Iron arch", "", false},
    UiText{K::Command, 1426, "グレースケール画像読み込み", "Import grey-scale image", "", false},
    UiText{K::Command, 1427, "グレースケール画像書き出し", "Export grey-scale image", "", false},
    UiText{K::Command, 1428, "地形の自動生成", "Generate terrain", "", false},
    UiText{K::Command, 1429, "９０°回転", "Rotate terrain 90°", "", false},
    UiText{K::Command, 1430, "左右反転", "Mirror terrain", "", false},
    UiText{K::Command, 1225, "レイアウト", "Layout tool window", "", false},
    UiText{K::Command, 1226, "線路", "Track catalogue", "", false},
    UiText{K::Command, 1227, "ストラクチャ", "Structure catalogue", "", false},
    UiText{K::Command, 1228, "機関車・客車・貨車", "Train catalogue", "", false},
    UiText{K::Command, 1229, "地形・景観", "Terrain panel", "", false},
    UiText{K::Command, 1230, "制御：運転", "Run control", "", false},
    UiText{K::Command, 1231, "制御：照明", "Light control", "", false},
    UiText{K::Command, 1232, "管理：列車", "Train control", "", false},
    UiText{K::Command, 1233, "管理：ポイント", "Point control", "", false},
    UiText{K::Command, 1125, "レイアウト", "3D window: layout (main window)", "Ctrl+Shift+0",
           false},
    UiText{K::Command, 57602, "閉じる", "3D window: close", "Ctrl+Shift+C", false},
    UiText{K::Command, 1126, "標準", "3D camera: standard", "Ctrl+Shift+1", false},
    UiText{K::Command, 1127, "運転席から標準", "3D camera: driver's seat", "Ctrl+Shift+2", false},
    UiText{K::Command, 1128, "右側車窓から", "3D camera: right window", "Ctrl+Shift+4", false},
    UiText{K::Command, 1129, "左側車窓から", "3D camera: left window", "Ctrl+Shift+3", false},
    UiText{K::Command, 1130, "車掌室から", "3D camera: conductor's room", "Ctrl+Shift+5", false},
    UiText{K::Command, 1131, "歩き回る", "3D camera: walk around", "Ctrl+Shift+6", false},
    UiText{K::Command, 1132, "列車を追走", "3D camera: chase train", "Ctrl+Shift+7", false},
    UiText{K::Command, 1235, "初期状態に戻す", "Reset windows", "", false},
    UiText{K::Command, 1525, "運転", "Run", "Ctrl+G", false},
    UiText{K::Command, 1526, "車両削除", "Delete vehicle", "", false},
    UiText{K::Command, 1527, "連結車両を全て削除", "Delete all coupled vehicles", "", false},
    UiText{K::Command, 1528, "逆行運転", "Reverse running", "", false},
    UiText{K::Command, 1529, "進行方向反転", "Turn direction", "", false},
    UiText{K::Command, 1530, "前方連結解除", "Uncouple front", "", false},
    UiText{K::Command, 1531, "後方連結解除", "Uncouple rear", "", false},
    UiText{K::Command, 1532, "カメラ列車設定", "Set camera train", "", false},
    UiText{K::Command, 59392, "ツール バー(&T)", "Toolbar", "", false},
    UiText{K::Command, 59393, "ステータス バー(&S)", "Status bar", "", false},
    UiText{K::Command, 1036, "操作説明", "Manual", "", false},
    UiText{K::Command, 1037, "サンプルレイアウト", "Sample layouts", "", false},
    UiText{K::Command, 57664, "バージョン情報 Zarnolt3D(&A)...", "About", "", false},

    // String table.
    UiText{K::String, StrDocTemplate,
           "Zarnolt3D\n\nZarnolt\nZarnolt3D Files (*.zrn)\n.zrn\nZarnolt3D.Document\nZarnolt3D."
           "Document",
           "Document template", "", false},
    UiText{K::String, 1140, "地上線路", "Ground track", "", false},
    UiText{K::String, 1141, "高架線路１", "Elevated track 1", "", false},
    UiText{K::String, 1142, "高架線路２", "Elevated track 2", "", false},
    UiText{K::String, 1143, "高架線路３", "Elevated track 3", "", false},
    UiText{K::String, 1144, "高架線路４", "Elevated track 4", "", false},
    UiText{K::String, 1145, "地形", "Terrain", "", false},
    UiText{K::String, StrLayoutToolTitle, "制御・レイアウト", "Control: layout", "", false},
    UiText{K::String, StrRun, "運転", "Run", "", false},
    UiText{K::String, StrStop, "停止", "Stop", "", false},
    UiText{K::String, 4004, "OpenGLの初期化処理に失敗しました。", "OpenGL initialisation failed",
           "", false},
    UiText{
        K::String, 4005,
        "OpenGLハードウェアクセラレータの初期化に失敗しました。ソフトウェアレンダリングで３D描画を"
        "実行します。",
        "No OpenGL accelerator; software rendering", "", false},
    UiText{K::String, StrAll, "全て", "All", "", false},
    UiText{K::String, StrPosition, "位置 %d:%d", "Position column:row", "", false},
    UiText{K::String, StrHeightSingle, "%dm", "Height of the ground layer", "", false},
    UiText{K::String, StrHeightRange, "%dm-%dm", "Height range of an elevated layer", "", false},

    // Controls of the layout tool window.
    UiText{K::Control, CtlLayerCombo, "", "Layer combo box", "", false},
    UiText{K::Control, CtlHeightText, "", "Height range text", "", false},
    UiText{K::Control, CtlPositionText, "", "Position text", "", false},
    UiText{K::Control, CtlShowTerrain, "地形表示", "Show terrain", "", false},

    UiText{K::String, StrPointNumberUsed,
           "ポイント番号はレイアウト上に既に存在します。他の番号を入力してください。",
           "The point number is already on the layout; enter another", "", false},
    UiText{K::String, StrPointNumberRange, "ポイント番号は１～９９９の範囲で設定してください。",
           "Set the point number in the range 1 to 999", "", false},

    // The point renumber dialog.
    UiText{K::Control, CtlRenumberTitle, "ポイント番号変更", "Renumber point (title)", "", false},
    UiText{K::Control, CtlRenumberPrompt, "新しいポイント番号を入力してください。",
           "Enter the new point number", "", false},
    UiText{K::Control, CtlRenumberEdit, "", "New point number", "", false},
    UiText{K::Control, CtlRenumberOk, "OK", "OK", "", false},
    UiText{K::Control, CtlRenumberCancel, "キャンセル", "Cancel", "", false},

    // The operating panels.
    UiText{K::String, StrRunPanelTitle, "制御・運転", "Control: run", "", false},
    UiText{K::String, StrLightPanelTitle, "制御・照明", "Control: light", "", false},
    UiText{K::String, StrTrainPanelTitle, "管理・列車", "Manage: trains", "", false},
    UiText{K::String, StrPointPanelTitle, "管理・ポイント", "Manage: points", "", false},
    UiText{K::String, StrLightOn, "ON", "Light on", "", false},
    UiText{K::String, StrLightOff, "OFF", "Light off", "", false},
    UiText{K::String, StrShowNumbers, "番号表示", "Show point numbers", "", false},
    UiText{K::String, StrHideNumbers, "番号非表示", "Hide point numbers", "", false},
    UiText{K::Control, CtlSpeedLabel, "速度", "Speed (label)", "", false},
    UiText{K::Control, CtlSpeedSlider, "", "Speed level slider", "", false},
    UiText{K::Control, CtlAtsCheck, "自動列車停止装置(ATS)", "Automatic train stop", "", false},
    UiText{K::Control, Ctl3DOnRunCheck, "運転時３Ｄビューを開く", "Open the 3D view when running",
           "", false},
    UiText{K::Control, CtlStopButton, "停止", "Stop", "", false},
    UiText{K::Control, CtlRunButton, "運転", "Run", "", false},
    UiText{K::Control, CtlLightXLabel, "X座標", "Light X", "", false},
    UiText{K::Control, CtlLightYLabel, "Y座標", "Light Y", "", false},
    UiText{K::Control, CtlLightZLabel, "Z座標", "Light Z", "", false},
    UiText{K::Control, CtlLightLabel, "照明", "Light (label)", "", false},
    UiText{K::Control, CtlLightSwitch, "ON", "Light switch", "", false},
    UiText{K::Control, CtlLightDefaults, "初期値", "Light defaults", "", false},
    UiText{K::Control, CtlPointsLabel, "ポイント", "Points (label)", "", false},
    UiText{K::Control, CtlShowNumbersButton, "番号表示", "Show numbers button", "", false},
    UiText{K::Control, CtlCameraColumn, "ｶﾒﾗ", "Camera column", "", false},
    UiText{K::Control, CtlReverseColumn, "逆行", "Reverse column", "", false},
    UiText{K::Control, CtlTurnColumn, "反転", "Turn column", "", false},
    UiText{K::Control, CtlHaltColumn, "停止", "Halt column", "", false},
    UiText{K::Control, CtlShareColumn, "速度", "Speed share column", "", false},

    // Our own messages and dialog texts.
    UiText{K::Message, MsgUntitled, "無題", "Untitled", "", true},
    UiText{K::Message, MsgSaveChanges, "%1 への変更を保存しますか?", "Save changes to %1?", "",
           true},
    UiText{K::Message, MsgCannotOpen, "%1 を開けません。", "Cannot open %1.", "", true},
    UiText{K::Message, MsgCannotSave, "%1 を保存できません。", "Cannot save %1.", "", true},
    UiText{K::Message, MsgLoading, "%1 を読み込んでいます...", "Loading %1...", "", true},
    UiText{K::Message, MsgManualMissing, "マニュアルが見つかりません: %1", "Manual not found: %1",
           "", true},
    UiText{K::Message, MsgNoDisplay,
           "zarnolt: no display ($DISPLAY and $WAYLAND_DISPLAY are unset); use zarnolt-cli "
           "for layouts without a display",
           "No display", "", true},
    UiText{K::Message, MsgDamagedFile,
           "%1 は途中から読めませんでした。読めた部分だけを開きました。",
           "%1 is damaged; the readable part was opened.", "", true},
    UiText{K::Message, MsgAboutTitle, "バージョン情報 Zarnolt3D", "About Zarnolt3D", "", true},
    UiText{K::Message, MsgCredits,
           "Zarnolt3D\\n\\n鉄道模型レイアウトエディタ\\n\\nLinux 版\\n\\nQt 6, libpng, "
           "libjpeg-turbo, FreeType, Noto Sans CJK",
           "Credits", "", true},
    UiText{K::Message, MsgOpenTitle, "開く", "Open", "", true},
    UiText{K::Message, MsgSaveTitle, "名前を付けて保存", "Save as", "", true},
    UiText{K::Message, MsgSampleTitle, "サンプルレイアウト", "Sample layouts", "", true},
    UiText{K::Message, MsgZrnFilter, "ZRN(*.zrn;*.ZRN)", "Layout files filter", "", false},
    UiText{K::Message, MsgAllFilter, "All FIles(*.*)", "All files filter", "", false},
    UiText{K::Message, MsgVersionPrefix, "ver ", "Version prefix", "", false},
    // The kinds named by a catalogue cell's tip.
    UiText{K::Message, MsgKindTrack, "線路", "Kind: track piece", "", true},
    UiText{K::Message, MsgKindStructure, "ストラクチャ", "Kind: structure", "", true},
    UiText{K::Message, MsgKindSteam, "蒸気機関車 (SL)", "Kind: steam locomotive", "", true},
    UiText{K::Message, MsgKindElectric, "電気機関車 (EL)", "Kind: electric locomotive", "", true},
    UiText{K::Message, MsgKindCar, "客車・貨車", "Kind: passenger or freight car", "", true},
    UiText{K::Message, MsgKindAutomobile, "自動車", "Kind: automobile", "", true},
    UiText{K::Message, MsgKindMonorail, "モノレール", "Kind: monorail car", "", true},
};

} // namespace

std::span<const UiText> uiTexts() {
    return kTexts;
}

const UiText* findUiText(TextKind kind, int id) {
    for (const auto& t : kTexts) {
        if (t.kind == kind && t.id == id) {
            return &t;
        }
    }
    return nullptr;
}

std::string_view uiText(TextKind kind, int id) {
    const auto* t = findUiText(kind, id);
    return t ? t->text : std::string_view{};
}

} // namespace editor
