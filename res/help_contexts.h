/* Help context numbers the program's Help buttons pass, one per screen: the
   one table of them, read by the program (through resource.h) and by the help
   compiler (menvolt.hhp maps each name to its topic). Only #define lines, as
   the help compiler reads them. */
#define IDH_CREATE_IMAGE 7
#define IDH_IMAGE_SETTINGS 8
#define IDH_TECHNICAL_SUPPORT 61
#define IDH_MAIN_WINDOW 107
#define IDH_WIZARD_SETUP_ITEM 108
#define IDH_WIZARD_DESCRIPTION 109
#define IDH_WIZARD_IMAGE_FILE 110
#define IDH_WIZARD_SUBMENU_ITEM 111
#define IDH_PROPERTIES_SINGLE 112
#define IDH_PROPERTIES_SUBMENU 113
#define IDH_SUBMENU_ITEM 114
#define IDH_SCREEN_APPEARANCE 115
#define IDH_UNATTENDED_START 116
#define IDH_IMAGE_VIEWER 1100
