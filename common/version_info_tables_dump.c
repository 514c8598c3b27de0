/* Prints what the platform says about the texts the version unit produces, so
 * the portable reader can give the same: the name of every 16-bit language id
 * ("L XXXX<TAB>name", VerLanguageNameA) and the 8-bit character of every
 * UTF-16 code unit from 0x80 up that the default code page maps to something
 * other than "?" ("W XXXX YY", WideCharToMultiByte). Run under Wine by
 * version_info_tables_gen.py. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int main(void) {
  char name[256];
  printf("ACP %u\n", GetACP());
  for (unsigned id = 0; id <= 0xFFFF; ++id) {
    memset(name, 0, sizeof name);
    VerLanguageNameA(id, name, 240);
    if (name[0] != '\0') printf("L %04X\t%s\n", id, name);
  }
  for (unsigned c = 0x80; c <= 0xFFFF; ++c) {
    WCHAR w = (WCHAR)c;
    char out[8];
    if (WideCharToMultiByte(CP_ACP, 0, &w, 1, out, sizeof out, NULL, NULL) == 1 && out[0] != '?')
      printf("W %04X %02X\n", c, (unsigned char)out[0]);
  }
  return 0;
}
