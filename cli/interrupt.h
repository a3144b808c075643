#pragma once

// Makes SIGINT and SIGTERM ask the running batch to stop after the image in
// progress. Each handler acts once: a second signal of the same kind takes its
// default action and ends the program at once.
void InstallStopOnSignal();
