#pragma once

#include <QObject>

// The window as a user of a mail client expects it: a temporary folder per
// window, the page set-up, one question per failed run, the columns and the
// layout, the keyboard, context menus, the source window, drag and drop,
// the status bar and the small things.
class MailClientTest : public QObject {
    Q_OBJECT
private slots:
    void twoWindowsKeepTheirOwnPages();
    void pageSetUpOpensWithTheMarginsAPrintUses();
    void escClosesTheMessageWindowFromItsPage();
    void keysReachTheirCommands();
    void everyCommandHasItsOwnLetter();
    void zoomByKeysWheelAndMenu();
    void columnsFitTheListAndKeepTheUsersWidths();
    void layoutIsKeptBetweenStarts();
    void contextMenusOfferTheCommands();
    void sourceWindowShowsAndSavesTheBytes();
    void draggedMessagesArriveAsEmlFiles();
    void aDroppedStoreOpens();
    void statusBarCountsMessagesAndMarked();
    void titleHintAndFieldBoxes();
    void plainTextKeepsItsBlanks();
    void exportDialogIsNotClippedAndResizes();
    void webButtonsSayWhenNoBrowserStarts();
};
