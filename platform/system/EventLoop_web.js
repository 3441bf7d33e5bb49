// The waits of the program's one thread in a page (or in Node). The engine
// runs in a worker, whose timers a hidden tab does not throttle; each wait
// ends when what it waits for happens or when its deadline passes, judged on
// performance.now(). The browser's timers clamp a chain of nested timeouts to
// 4 ms, so each timer's task only posts a message, in whose task the wait
// ends: timeouts never nest. They are also late by up to a millisecond or
// so, which a wait for a message does not mind, as the message ends it; a
// wait that is the time itself (the link's pace, the protocol's fixed waits,
// a simulated reply coming due) is precise: its timer brings it to a
// millisecond before the deadline, and the worker's thread, which has
// nothing else to do meanwhile, watches the clock for the rest of the way.
mergeInto(LibraryManager.library, {
  $vantrelEventLoop__postset: 'vantrelEventLoop.init();',
  $vantrelEventLoop: {
    // Time before a precise deadline from which its wait goes on in a loop.
    finalStretchMs: 1,
    due: [],
    port: null,
    listener: null,
    init: function () {
      var channel = new MessageChannel();
      vantrelEventLoop.port = channel.port2;
      vantrelEventLoop.listener = channel.port1;
      vantrelEventLoop.calls = new Map();
      channel.port1.onmessage = function () { vantrelEventLoop.runDue(); };
      vantrelEventLoop.keepAlive(false);
    },
    // Node lives on while a port listens: only while something is due.
    keepAlive: function (on) {
      var listener = vantrelEventLoop.listener;
      if (listener.ref) on ? listener.ref() : listener.unref();
    },
    // Runs `task` in a message task of its own at `deadline`
    // (performance.now() time) or soon after, `precise`ly so if asked;
    // returns what cancel() takes.
    at: function (deadline, task, precise) {
      var entry = { deadline: deadline, task: task, timer: null, cancelled: false,
                    stretch: precise ? vantrelEventLoop.finalStretchMs : 0 };
      vantrelEventLoop.arm(entry);
      return entry;
    },
    cancel: function (entry) {
      if (!entry) return;
      entry.cancelled = true;
      if (entry.timer !== null) clearTimeout(entry.timer);
    },
    arm: function (entry) {
      var left = entry.deadline - performance.now();
      entry.timer = null;
      if (left > entry.stretch) {
        entry.timer = setTimeout(function () { entry.timer = null; vantrelEventLoop.post(entry); },
                                 left - entry.stretch);
      } else {
        vantrelEventLoop.post(entry);
      }
    },
    post: function (entry) {
      vantrelEventLoop.due.push(entry);
      vantrelEventLoop.keepAlive(true);
      vantrelEventLoop.port.postMessage(0);
    },
    runDue: function () {
      var entry = vantrelEventLoop.due.shift();
      if (vantrelEventLoop.due.length === 0) vantrelEventLoop.keepAlive(false);
      if (!entry || entry.cancelled) return;
      if (entry.stretch > 0 && entry.deadline - performance.now() > entry.stretch) {
        vantrelEventLoop.arm(entry);  // the timer came early
        return;
      }
      while (entry.stretch > 0 && performance.now() < entry.deadline) {
        // the last stretch: no timer and no task comes that near the deadline
      }
      entry.task();
    },
    // Sleepers on words of the wasm memory, by address.
    sleepers: [],
    // The next run of each timed call (a Map, made by init: the library's
    // objects are written out as text).
    calls: null,
  },

  // Sleeps for `ms`, precisely.
  vantrel_sleep__deps: ['$vantrelEventLoop'],
  vantrel_sleep: function (ms) {
    return Asyncify.handleSleep(function (wakeUp) {
      vantrelEventLoop.at(performance.now() + ms, wakeUp, true);
    });
  },

  // Sleeps while the 32-bit word at `address` holds `seen`, for at most
  // `timeoutMs`; vantrel_wake_word ends it early.
  vantrel_wait_word__deps: ['$vantrelEventLoop'],
  vantrel_wait_word: function (address, seen, timeoutMs) {
    // Every call goes through handleSleep, also when the word has changed
    // already: the call that ends a sleep (the engine's code resuming) must.
    return Asyncify.handleSleep(function (wakeUp) {
      if ((HEAPU32[address >> 2] >>> 0) !== (seen >>> 0)) {
        wakeUp();
        return;
      }
      var sleeper = { address: address, done: false, timer: null };
      sleeper.finish = function () {
        if (sleeper.done) return;
        sleeper.done = true;
        vantrelEventLoop.cancel(sleeper.timer);
        var list = vantrelEventLoop.sleepers;
        list.splice(list.indexOf(sleeper), 1);
        wakeUp();
      };
      vantrelEventLoop.sleepers.push(sleeper);
      sleeper.timer = vantrelEventLoop.at(performance.now() + timeoutMs, sleeper.finish);
    });
  },

  // Wakes every sleeper on the word at `address`. Called from the engine's
  // own code (a reply delivered): the sleepers resume once that code has
  // returned, in a microtask at the end of the same task.
  vantrel_wake_word__deps: ['$vantrelEventLoop'],
  vantrel_wake_word: function (address) {
    vantrelEventLoop.sleepers.forEach(function (sleeper) {
      if (sleeper.address === address) queueMicrotask(sleeper.finish);
    });
  },

  // Runs the timed call `call` `inMs` from now (at once when that has
  // passed), precisely, in place of any run it had coming.
  vantrel_timed_call_schedule__deps: ['$vantrelEventLoop', 'vantrel_timed_call_cancel'],
  vantrel_timed_call_schedule: function (call, inMs) {
    _vantrel_timed_call_cancel(call);
    vantrelEventLoop.calls.set(call, vantrelEventLoop.at(performance.now() + inMs, function () {
      vantrelEventLoop.calls.delete(call);
      _vantrel_timed_call_run(call);
    }, true));
  },

  // Cancels the run the timed call `call` had coming.
  vantrel_timed_call_cancel__deps: ['$vantrelEventLoop'],
  vantrel_timed_call_cancel: function (call) {
    vantrelEventLoop.cancel(vantrelEventLoop.calls.get(call));
    vantrelEventLoop.calls.delete(call);
  },
});
