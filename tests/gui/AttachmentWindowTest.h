#pragma once

#include <QObject>

// The attachments in the window: the paperclip column of the list, and
// saving or opening the files of the message the preview shows.
class AttachmentWindowTest : public QObject {
    Q_OBJECT
private slots:
    void paperclipMarksComeAfterTheListAndSortIt();
    void clickingAnEntrySavesItByteForByte();
    void allAttachmentsGoIntoAFolderBesideWhatIsThere();
    void openingHandsAPrivateCopyToTheDesktop();
    void aMessageThatNoLongerReadsSavesNothing();
};
