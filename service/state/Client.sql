-- Client.mdb: rooms' last check-in times and the record of issued cards.
-- Date-times are local times as text "yyyy-mm-dd hh:nn:ss.zzz"; booleans 0 or 1.
-- The service never creates or alters these tables; make-client-mdb makes a
-- fresh database from this file.

CREATE TABLE T_Room (
    RoomNo          TEXT NOT NULL PRIMARY KEY,
    LastCheckInTime TEXT
);

CREATE TABLE T_IssueCardRecord (
    RegisterId      TEXT,
    CardNo          TEXT,
    RoomNo          TEXT,
    CardType        INTEGER,
    LastCheckInTime TEXT,
    CheckInTime     TEXT,
    CheckOutTime    TEXT,
    IsCopy          INTEGER NOT NULL CHECK (IsCopy IN (0, 1)),
    GuestName       TEXT,
    OpratingTime    TEXT
);
