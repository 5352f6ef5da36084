// System metrics of the one fixed display: 1280 x 1024 pixels, a 30-pixel
// task bar at the bottom, the classic window frame sizes.
#include "user_internal.h"

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return 1280;
    case SM_CYSCREEN: return 1024;
    case SM_CXVSCROLL: return 17;
    case SM_CYHSCROLL: return 17;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER: return 1;
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: return 3;
    case SM_CYDLGFRAME: return 3;
    case SM_CYVTHUMB: return 17;
    case SM_CXHTHUMB: return 17;
    case SM_CXICON: return 32;
    case SM_CYICON: return 32;
    case SM_CXCURSOR: return 32;
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 19;
    case SM_CXFULLSCREEN: return 1280;
    case SM_CYFULLSCREEN: return 1024 - 30 - 19;
    case SM_MOUSEPRESENT: return 1;
    case SM_CYVSCROLL: return 17;
    case SM_CXHSCROLL: return 17;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXSIZE: return 18;
    case SM_CYSIZE: return 18;
    case SM_CXFRAME: return 4;
    case SM_CYFRAME: return 4;
    case SM_CXMINTRACK: return 112;
    case SM_CYMINTRACK: return 27;
    case SM_CXDOUBLECLK: return 4;
    case SM_CYDOUBLECLK: return 4;
    case SM_CXICONSPACING: return 75;
    case SM_CYICONSPACING: return 75;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_CXEDGE: return 2;
    case SM_CYEDGE: return 2;
    case SM_CXSMICON: return 16;
    case SM_CYSMICON: return 16;
    case SM_CYSMCAPTION: return 15;
    case SM_CXSMSIZE: return 12;
    case SM_CYSMSIZE: return 15;
    case SM_CXMENUSIZE: return 18;
    case SM_CYMENUSIZE: return 18;
    case SM_CXMAXTRACK: return 1292;
    case SM_CYMAXTRACK: return 1036;
    case SM_CXMAXIMIZED: return 1280 + 8;
    case SM_CYMAXIMIZED: return 1024 - 30 + 8;
    case SM_CXDRAG: return 4;
    case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK: return 13;
    case SM_CYMENUCHECK: return 13;
    case SM_MOUSEWHEELPRESENT: return 1;
    case SM_CXVIRTUALSCREEN: return 1280;
    case SM_CYVIRTUALSCREEN: return 1024;
    case SM_CMONITORS: return 1;
    default: return 0;
  }
}
