#pragma once

#include <QObject>

// The window as people use it: scrolling, quitting during a run, the
// status bar, German dialogs, the keyboard, big messages.
class WindowUseTest : public QObject {
    Q_OBJECT
private slots:
    void aNewMessageStartsAtItsTop();
    void closingDuringARunCancelsItAndCloses();
    void hintsAreTooltipsOnly();
    void progressIsPaintedAtMostThirtyTimesASecond();
    void progressIsPaintedOnlyWhenTheBarMoves();
    void everySearchResultShowsItsSnippet();
    void qtDialogsSpeakGerman();
    void arrowKeysInTheTreeLoadTheFolder();
    void messageWindowOpensWithNothingSelected();
    void aBigMessageDoesNotFreezeTheWindow();
    void largeFoldersAreReadOffTheWindowsThread();
    void anotherStoreOpensAndIsOfferedAgain();
    void theWholeStoreIsExportedWithProgressAndCancel();
    void storeTextInTooltipsAndTitlesShowsAsWritten();
    void deepFolderTreesEndAtTheLastLevel();
};
