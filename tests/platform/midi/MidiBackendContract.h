#pragma once
// What every MIDI backend keeps, as one set of test cases: open, send, receive,
// close during a send, a device that goes away, reopen. A backend takes part
// with a test file of its own that instantiates the suite with a function
// making a ContractSubject; nothing here knows one backend from another.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MidiMessageCollector.h"
#include "MidiSystem.h"

namespace contract {

using Bytes = std::vector<std::uint8_t>;

//! One backend with a peer on the far side of the cable: an instrument that
//! answers or a client that echoes. Each test case makes a fresh one.
class ContractSubject {
public:
    //! A message and what the peer sends back for it.
    struct Exchange {
        Bytes request;
        Bytes answer;
    };

    virtual ~ContractSubject() = default;

    virtual std::shared_ptr<platform::MidiBackend> backend() = 0;
    //! The output that leads to the peer.
    virtual platform::MidiDeviceId output() = 0;
    //! The input on which the peer answers.
    virtual platform::MidiDeviceId input() = 0;
    virtual Exchange exchange() = 0;
    //! The messages the peer has received, once there are `count` of them
    //! (fewer when they do not come).
    virtual std::vector<Bytes> receivedByPeer(std::size_t count) = 0;
    //! Takes the device away: pulls the cable, stops the server.
    virtual void removeDevice() = 0;
    //! The status a send fails with once the device is gone.
    virtual int goneStatus() const = 0;

    //! What a backend may be unable to show, through no fault of its own.
    enum class Limit {
        SendsInFlight,  //!< a send is always out by the time startSysEx returns
        GoneDevice,     //!< the system does not tell when a device goes away
    };
    //! Why this backend cannot show `limit`; empty where it can.
    virtual std::string cannotShow(Limit) const { return {}; }
};

//! A short message that a peer echoing everything sends back as it is.
ContractSubject::Exchange EchoedExchange();

//! A backend as the suite is instantiated with it. `makeSubject` returns
//! null, saying why in its argument, where the backend cannot be tried (no
//! JACK server can start); the case is then skipped.
struct ContractBackend {
    std::string name;
    std::function<std::unique_ptr<ContractSubject>(std::string& unavailable)> makeSubject;
};

//! Shows the backend's name where GoogleTest prints the parameter.
void PrintTo(const ContractBackend& backend, std::ostream* out);

//! The parameter's name in test names, e.g. "Simulated/MidiBackendContract.OpenAndClose/Jack".
std::string ContractBackendName(const ::testing::TestParamInfo<ContractBackend>& info);

class MidiBackendContract : public ::testing::TestWithParam<ContractBackend> {
protected:
    void SetUp() override;
    void TearDown() override;

    //! Opens the output and the input that lead to the peer, by identity.
    void OpenBoth();
    //! Closes the output as the updater does, retrying while it is busy.
    platform::MidiResult CloseOutput();

    std::unique_ptr<ContractSubject> subject;
    platform::MidiSystem system;
    std::unique_ptr<platform::MidiOutput> output;
    std::unique_ptr<platform::MidiInput> input;
    MidiMessageCollector receiver;
};

}  // namespace contract
