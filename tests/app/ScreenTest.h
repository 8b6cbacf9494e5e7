#pragma once

#include <QObject>

namespace ravo::test {

class ScreenTest : public QObject {
    Q_OBJECT
private slots:
    void initialTextsAndCaptions();
    void typingAnAddressClearsItsPulseRow();
    void typingAnAddressClearsItsTemperatureRowAndLamp();
    void modelWritesAreMirrored();
    void typingKeepsTheCaretAndTheUndoHistory();
    void monitorPaneShowsItsTailWithTheCaretAtTheEnd();
    void aBurstOfChangesIsShownOnceAtItsEnd();
    void clockClickClearsTheAddresses();
    void errorCountDoubleClickResetsIt();
    void settingsFollowTheModel();
    void contentReachesTheConfigurationFrame();
    void profileWindowSamplesIntoBars();
    void profileWindowLoadedHiddenByTheFeedKeepsSampling();
};

}  // namespace ravo::test
