#pragma once
// Access keys that leave the Korean captions as they are. A Hangul letter after Alt cannot be
// typed while the input method is in Hangul mode, so every key is a Latin letter or a digit:
// Alt and the key press a button (its tool tip says which, and a screen reader hears it as the
// button's key binding); a menu item's key, shown at its right, chooses it while the menu is
// open. One table a window, all of them here, so that a letter is seen to be free.

#include <QKeySequence>
#include <span>

class QAbstractButton;
class QAction;
class QMenu;
class QMessageBox;
class QWidget;

struct AccessKey {
    const char* caption;  // the button's or item's text (UTF-8); a button without one: its accessible name
    char key;             // 'A'-'Z' or '0'-'9'
};

namespace access_keys {

inline constexpr AccessKey kMainDialog[] = {
    {"세계시", 'W'}, {"설정", 'E'}, {"도움말", 'L'}, {"감추기", 'H'}, {"비교", 'C'}, {"동기", 'S'},
};

// The program's menu: the tray's, the main dialog's and the clock windows'.
inline constexpr AccessKey kMenu[] = {
    {"표준시 비교", 'C'}, {"표준시 동기", 'S'}, {"환경설정", 'E'}, {"세계시각", 'W'},   {"일정관리", 'M'},
    {"일정보기", 'R'},    {"도움말", 'L'},      {"닫기", 'O'},     {"모두감추기", 'H'}, {"종료", 'X'},
};

inline constexpr AccessKey kWorldTime[] = {{"찾기", 'F'}, {"시계창보이기", 'S'}, {"닫기", 'C'}};

inline constexpr AccessKey kAboutBox[] = {{"확인", 'O'}};

inline constexpr AccessKey kSchedule[] = {
    {"추가", 'A'},   {"변경", 'G'},   {"삭제", 'D'},   {"일정표삭제", 'L'}, {"닫기", 'C'},    {"당일", 'O'},
    {"매일", 'Y'},   {"매주", 'W'},   {"매달", 'M'},   {"정각", '1'},       {"1분전", '2'},   {"5분전", '3'},
    {"10분전", '4'}, {"15분전", '5'}, {"30분전", '6'}, {"45분전", '7'},     {"1시간전", '8'},
};

// The settings sheet's own buttons; each page's keys below differ from them, and a page's keys
// only act while it is shown.
inline constexpr AccessKey kSettingsSheet[] = {{"확인", 'O'}, {"취소", 'C'}};

inline constexpr AccessKey kSyncInfoPage[] = {{"표준시 서버 홈페이지 (pool.ntp.org)", 'P'}};

inline constexpr AccessKey kEnvPage[] = {
    {"소리 기능", 'S'},
    {"동기시 깜빡임", 'B'},
    {"시작시 자동 비교", 'M'},
    {"스크린세이버 사용", 'R'},
    {"로그정보 남김", 'L'},
    {"항상 다른 창 위에", 'T'},
    {"시계창만 표시", 'K'},
    {"24시간제 표시", 'H'},
    {"세계시 투명창", 'P'},
    {"시계창 배경색", '1'},
    {"시계창 문자색", '2'},
    {"메시지창 배경색", '3'},
    {"메시지창 문자색", '4'},
    {"자동 접속 사용", 'U'},
    {"적용", 'A'},
    {"초기값", 'I'},
};

inline constexpr AccessKey kAlarmPage[] = {
    {"알람 기능", 'A'}, {"에밀레", 'E'},   {"사용자정의", 'U'},
    {"소리선택", 'S'},  {"일정관리", 'M'}, {"일정보기", 'R'},
};

// "COM &1" to "COM &4" carry their own keys, Alt and the port's number.
inline constexpr AccessKey kComPage[] = {{"자동  모드", 'A'}, {"수동 모드", 'M'}, {"전송", 'S'}};

}  // namespace access_keys

// Alt and `key` for a button; `key` alone for a menu item.
QKeySequence ButtonAccessKey(char key);
QKeySequence MenuAccessKey(char key);

// Alt+key presses `button`; its tool tip gains the key.
void SetAccessKey(QAbstractButton& button, char key);
// The key shown at the item's right.
void SetAccessKey(QAction& action, char key);

// Every button under `window` that the table names gets its key.
void SetAccessKeys(QWidget& window, std::span<const AccessKey> table);
// Every item of `menu` that the table names gets its key, which chooses it while the menu is
// open as Return would (the menu closes). The menu must be the only holder of its items: added
// to a window too, a plain letter would act there as its shortcut.
void SetAccessKeys(QMenu& menu, std::span<const AccessKey> table);
// A message box's standard buttons: 확인 O, 취소 C, 예 Y, 아니오 N.
void SetAccessKeys(QMessageBox& box);
