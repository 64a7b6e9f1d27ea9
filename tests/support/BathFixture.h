#pragma once

#include "support/FakeHidPlatform.h"
#include "support/WindowFixture.h"

#include <QByteArray>
#include <QList>

// A main window with one scripted bath attached before start. start() runs the
// event loop until the bath is selected and then stops the poll and time-out
// timers, so a test drives every tick itself.
struct BathFixture {
    explicit BathFixture(FakeHidPlatform::Traits traits = {}, const QString& iniText = QString());

    // False when the bath was not selected in time.
    [[nodiscard]] bool start();
    TMainFrm& w() { return window.window(); }

    // The command texts written since the last clear, one per report (adapter
    // framing: the payload its length bytes give; direct: up to the first 0).
    QList<QByteArray> commands() const;
    // Delivers one input report to the window as the read thread would (on the
    // GUI thread, directly): text is the report's data after the report id.
    void answerDirect(const QByteArray& text);
    void answerAdapter(const QByteArray& payload, int lengthByte = -1);
    // The queued request kinds, head first.
    QList<int> queuedKinds();

    FakeHidPlatform fake;
    FakeHidPlatform::Device* bath = nullptr;
    WindowFixture window;
    bool adapter = false;
};

// The data of a direct input report: text, zero padding to 64 bytes.
QByteArray DirectReportData(const QByteArray& text);
// The data of an adapter input report: length byte, 3 header bytes, payload, padding.
QByteArray AdapterReportData(const QByteArray& payload, int lengthByte = -1);
