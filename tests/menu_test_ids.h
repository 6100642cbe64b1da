// Resource ids of the menu templates the menu tests load.
#pragma once

#define IDM_NESTED 200
#define IDM_POPUP_LAST 201
#define IDM_CLOSED_EARLY 202
#define IDM_NO_ITEMS 210
#define IDM_UNTERMINATED_TEXT 211
#define IDM_UNCLOSED_POPUP 212
#define IDM_EXTENDED_HEADER 213
#define IDM_HEADER_PAST_END 214
#define IDM_MISSING 299

#define ID_OPEN 101
#define ID_SAVE_AS 102
#define ID_EXIT 103
#define ID_RECENT_ONE 111
#define ID_RECENT_TWO 112
#define ID_WATER 121
#define ID_TONIC 122
#define ID_TEA 123
#define ID_HELP_TOPICS 300
