#pragma once

// psqlODBC as Debian installs it (CommLog=1 in its odbcinst.ini entry) logs
// into /tmp (psqlodbc_[program_]<user><pid>.log) whatever the connection text says: a connection turns the log
// off, but closing it turns the driver's own setting back on for the last
// lines. The files are named for the user and the process, so those of this
// process are the tool's own to remove.
void RemoveDriverLogs();
