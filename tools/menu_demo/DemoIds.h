// Resource and command ids of the menu demo.
#pragma once

#define IDR_DEMO_MENU 100

#define IDI_DEMO_SINGLE 201
#define IDI_DEMO_QUAD 202
#define IDI_DEMO_H_LAYOUT 203
#define IDI_DEMO_MUTE 204
#define IDI_DEMO_STANDBY 205
#define IDI_DEMO_AUDIO 206

#define ID_DEMO_SINGLE 1001
#define ID_DEMO_QUAD 1002
#define ID_DEMO_H_LAYOUT 1003
#define ID_DEMO_AUDIO_1 1011
#define ID_DEMO_AUDIO_2 1012
#define ID_DEMO_AUDIO_3 1013
#define ID_DEMO_MUTE 1014
#define ID_DEMO_STANDBY 1004
#define ID_DEMO_RESOLUTION 1005
#define ID_DEMO_EXIT 1006
