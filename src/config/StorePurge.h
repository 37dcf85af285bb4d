#pragma once

class TM3MediaConfigs;

/// The one purge at exit: forgets the positions, folder speeds and bookmarks of the files and
/// folders the system says are gone, asking about all of them at once on one thread, within the
/// store's one purge budget (TM3MediaConfigs::SetPurgeProbe); what is not answered by then is kept.
/// A share that stopped answering therefore holds the exit once, not once for each kind. The
/// session record's files are never purged: a session comes back without the files it lost.
void PurgeGone(TM3MediaConfigs& store);
