// The page's engine, in a worker of its own: browsers throttle the timers of
// a hidden tab's main thread to one a second and later one a minute, a
// worker's not, so an update keeps its pace when the tab is in the background.
'use strict';
importScripts('vantrel-engine.js', 'engine-host.js');

const host = new EngineHost(VantrelEngine, (message, transfer) => postMessage(message, transfer || []));
onmessage = (event) => host.receive(event.data);
