#!/usr/bin/python3
"""Makes a fresh browser profile in which ORIGIN may use Web MIDI with System
Exclusive messages, stored as a user's "Allow" is (no prompt, no test switch).
   profile.py chromium|firefox <profile dir> <origin>
Chromium: the site's content settings in Default/Preferences (a grant through
the DevTools protocol alone makes it end the page at its first SysEx).
Firefox: the site's permissions in permissions.sqlite, as the site permission
add-on Firefox asks a user to install leaves them."""
import json
import os
import sqlite3
import sys
import time

browser, folder, origin = sys.argv[1:4]
kinds = ('midi', 'midi-sysex')

if browser == 'chromium':
    os.makedirs(os.path.join(folder, 'Default'))
    allow = {origin + ',*': {'setting': 1}}
    exceptions = {kind.replace('-', '_'): allow for kind in kinds}
    with open(os.path.join(folder, 'Default', 'Preferences'), 'w') as preferences:
        json.dump({'profile': {'content_settings': {'exceptions': exceptions}}}, preferences)
elif browser == 'firefox':
    os.makedirs(folder)
    with sqlite3.connect(os.path.join(folder, 'permissions.sqlite')) as db:
        db.execute('CREATE TABLE moz_perms (id INTEGER PRIMARY KEY, origin TEXT, type TEXT, permission INTEGER,'
                   ' expireType INTEGER, expireTime INTEGER, modificationTime INTEGER)')
        now = int(time.time() * 1000)
        db.executemany('INSERT INTO moz_perms (origin, type, permission, expireType, expireTime, modificationTime)'
                       ' VALUES (?, ?, 1, 0, 0, ?)', [(origin, kind, now) for kind in kinds])
        db.execute('PRAGMA user_version = 12')
else:
    sys.exit(f'profile.py: no browser {browser}')
