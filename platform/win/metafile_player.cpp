// Playing enhanced metafiles into a device context, whole or record by record.
#include "metafile.h"

using namespace win::gdi;

BOOL PlayEnhMetaFile(HDC, HENHMETAFILE, const RECT*) { return FALSE; }
BOOL EnumEnhMetaFile(HDC, HENHMETAFILE, ENHMFENUMPROC, LPVOID, const RECT*) { return FALSE; }
BOOL PlayEnhMetaFileRecord(HDC, HANDLETABLE*, const ENHMETARECORD*, UINT) { return FALSE; }
