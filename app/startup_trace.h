#pragma once

// Start-up milestones in the debug log, each with the milliseconds since the process was
// created, so a slow start shows where its time went: "start-up: <step> after N ms".
void LogStartupStep(const wchar_t* step);
