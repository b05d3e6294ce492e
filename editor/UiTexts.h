#pragma once
#include <span>
#include <string_view>

namespace editor {

// The program's name in the main window's title and on its message boxes.
inline constexpr std::string_view kProgramTitle = "Zarnolt3D";

// What a text of the user interface is.
enum class TextKind {
    Command,   // a menu item or command, by command id
    MenuTitle, // a menu of the menu bar or a submenu, by our own number
    String,    // a text from the string table, by string number
    Control,   // a control of a tool window, by control id
    Message,   // a question or message box, by our own number
};

// One text of the program: the text exactly as the program shows it (never normalised:
// full-width and half-width forms are kept), its English gloss, the keys of a command
// ("Ctrl+Z, Alt+Backspace" for two), and whether the wording is our own.
struct UiText {
    TextKind kind;
    int id;
    std::string_view text;
    std::string_view gloss;
    std::string_view keys;
    bool ours;
};

// Numbers of the texts that are ours (menu titles and messages).
enum OurText : int {
    MenuFile = 1,
    MenuEdit = 2,
    MenuLayer = 3,
    MenuTrack = 4,
    MenuTerrain = 5,
    MenuView = 6,
    Menu3D = 7,
    MenuHelp = 8,
    MenuWindows = 9,
    MenuStationStop = 10,
    MenuReversingWait = 11,
    MenuHeight = 12,
    MenuPier = 13,
    Menu3DWindowFile = 14,
    Menu3DWindowView = 15,
    Menu3DWindowControl = 16,
    MsgUntitled = 101,
    MsgSaveChanges = 102,
    MsgCannotOpen = 103,
    MsgCannotSave = 104,
    MsgLoading = 105,
    MsgManualMissing = 106,
    MsgNoDisplay = 107,
    MsgDamagedFile = 108,
    MsgAboutTitle = 109,
    MsgCredits = 110,
    MsgOpenTitle = 111,
    MsgSaveTitle = 112,
    MsgSampleTitle = 113,
    MsgZrnFilter = 114,
    MsgAllFilter = 115,
    MsgVersionPrefix = 116,
    MsgPictureFilter = 117,
    // The kinds a catalogue cell's tip names.
    MsgKindTrack = 140,
    MsgKindStructure = 141,
    MsgKindSteam = 142,
    MsgKindElectric = 143,
    MsgKindCar = 144,
    MsgKindAutomobile = 145,
    MsgKindMonorail = 146,
};

// Numbers of the string-table texts the program uses.
enum StringId : int {
    StrDocTemplate = 128,
    StrLayerGround = 1140, // 1140 … 1145: the layer combo box
    StrLayerTerrain = 1145,
    StrLayoutToolTitle = 1165,
    StrRun = 1170,
    StrStop = 1171,
    StrAll = 1200,
    StrPosition = 1230,
    StrHeightSingle = 90001, // "%dm"
    StrHeightRange = 90002,  // "%dm-%dm"
    StrRunPanelTitle = 1160,
    StrLightPanelTitle = 1161,
    StrTrainPanelTitle = 1162,
    StrPointPanelTitle = 1163,
    StrLightOn = 1190,
    StrLightOff = 1191,
    StrShowNumbers = 1192,
    StrHideNumbers = 1193,
    StrPointNumberUsed = 4008,
    StrPointNumberRange = 4009,
    StrTerrainTab = 1129,
    StrSceneryTab = 1130,
    StrSkyFirst = 1150, // 1150 … 1155: the sky combo box
    StrSkyLast = 1155,
    StrTerrainPanelTitle = 1159,
};

// Control ids of the layout tool window.
enum ControlId : int {
    CtlLayerCombo = 3050,
    CtlHeightText = 3051,
    CtlPositionText = 3052,
    CtlShowTerrain = 3053,
    // The point renumber dialog: its title, prompt, number edit and buttons.
    CtlRenumberTitle = 2011,
    CtlRenumberEdit = 3200,
    CtlRenumberPrompt = 90011,
    CtlRenumberOk = 90012,
    CtlRenumberCancel = 90013,
    // The operating panels' controls; labels without an id of their own take 901xx.
    CtlSpeedSlider = 3020,
    CtlAtsCheck = 3021,
    Ctl3DOnRunCheck = 3022,
    CtlRunButton = 3023,
    CtlStopButton = 3024,
    CtlLightX = 3030,
    CtlLightY = 3031,
    CtlLightZ = 3032,
    CtlLightSwitch = 3033,
    CtlLightDefaults = 3034,
    CtlShowNumbersButton = 3400,
    CtlSpeedLabel = 90101,
    CtlLightXLabel = 90102,
    CtlLightYLabel = 90103,
    CtlLightZLabel = 90104,
    CtlLightLabel = 90105,
    CtlPointsLabel = 90106,
    CtlCameraColumn = 90107,
    CtlReverseColumn = 90108,
    CtlTurnColumn = 90109,
    CtlHaltColumn = 90110,
    CtlShareColumn = 90111,
    // The terrain panel (dialog 2001).
    CtlTerrainTabs = 3000,
    CtlHollowCheck = 3001,
    CtlHeightSlider = 3002,
    CtlHillHighColour = 3003,
    CtlHillLowColour = 3004,
    CtlGroundColour = 3005,
    CtlHollowColour = 3006,
    CtlHeightLabel = 3007,
    CtlWaterCheck = 3008,
    CtlSkyCombo = 3009,
    CtlFogCheck = 3010,
    CtlHillHighLabel = 3011,
    CtlHillLowLabel = 3012,
    CtlGroundLabel = 3013,
    CtlHollowLabel = 3014,
    CtlSkyLabel = 3015,
};

// Every text of the program, in table order.
std::span<const UiText> uiTexts();
// The text of a kind and number; empty when the table lacks it.
std::string_view uiText(TextKind kind, int id);
// The entry of a kind and number, or null.
const UiText* findUiText(TextKind kind, int id);

} // namespace editor
