#pragma once

#include <QObject>

class BatchRunTest : public QObject {
    Q_OBJECT
private slots:
    void progressBarFollowsTheSavedMessages();
    void saveNamesNeverOverwrite();
    void unwritableTargetShowsTheBoxAndGoesOn();
    void nothingSelectedBusyOrCancelledDoesNothing();
    void exportCancelledAtTheSecondOfFive();
    void exportEndsCleanlyWhenTheFolderChanges();
    void failedExportGoesBackToIdle();
    void exportCarriesAttachmentsWhenTheBoxIsTicked();
    void selectionDuringARunIsShownAfterIt();
    void printsToPdfWithHeaderBodyAndImages();
    void printCancelledAtTheSecondOfFive();
    void noPrinterIsReportedAndPageWaitIsBounded();
    void searchResultsActLikeAFolder();
    void searchResultsComeInPagesAndTheFieldObeysKeys();
    void searchDroppedMeanwhileShowsNothing();
    void abbrechenStopsTheFirstIndexBuild();
    void searchKeepsTheColumnsAndCountsInGerman();
};
