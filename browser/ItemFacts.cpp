#include "browser/ItemFacts.h"

#include "browser/DateText.h"
#include "browser/FileFacts.h"
#include "browser/ShellFileInfo.h"
#include "browser/ShootingDate.h"

ItemFacts readItemFacts(const QString& path, const LibraryMessageFn& notice)
{
    ItemFacts facts;
    facts.complete = true;
    const FileFacts file = FileFacts::read(path);
    facts.found = file.found;
    facts.size = file.size;
    facts.lastWrite = file.lastWrite;
    facts.mimeName = shell::mimeNameOf(path);
    facts.typeName = shell::typeNameOfMime(facts.mimeName);
    facts.shootingDate = shootingDateText(path, DateStyle::Japanese, notice);
    return facts;
}
