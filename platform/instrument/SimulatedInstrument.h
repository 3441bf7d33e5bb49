#pragma once
// The instrument's flash updater as seen from the MIDI cable: a current word
// address, single bus writes that reach the flash chip's command decoder,
// word programming with NOR semantics and read replies. Pure logic: no
// threads, no clocks, no I/O; whoever owns it supplies the link and the time.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

//! In-process model of the instrument's updater and its flash memory.
class SimulatedInstrument {
public:
    //! A word's bits turned over as it is programmed (a weak cell or a noisy bus).
    struct BitFlip {
        std::uint32_t address = 0;  //!< word address
        std::uint16_t mask = 0;     //!< bits turned over in the programmed value
    };

    //! Misbehaviour to inject; the defaults describe a healthy instrument.
    struct Faults {
        bool noReply = false;                      //!< read requests are never answered
        bool emptyReplies = false;                 //!< every read is answered with F0 F7 only
        std::size_t replyLength = 0;               //!< nonzero: every reply is cut or padded to this many bytes (e.g. 7)
        std::size_t oversizedReplyWords = 0;       //!< nonzero: replies carry this many words, past the input buffer
        std::vector<std::uint32_t> stuckSectors;   //!< sectors (any word inside) whose erase never takes
        std::vector<BitFlip> bitFlips;             //!< bits flipped in what is stored at these addresses
        unsigned busyReadsAfterErase = 0;          //!< read replies after each erase that still show the chip busy
        std::optional<std::size_t> sendErrorAfter; //!< sends fail once this many messages went through
        std::size_t sendErrorCount = 1;            //!< how many sends in a row fail (SIZE_MAX: all further ones)
        std::optional<std::size_t> vanishAfter;    //!< the device disappears once this many messages went through
        bool stallAtEnd = false;                   //!< the end command (0x02) never leaves the wire
    };

    //! Shape of the simulated instrument.
    struct Config {
        std::uint32_t flashWords = kDefaultFlashWords;                        //!< flash size in 16-bit words
        std::vector<std::uint32_t> sectorStarts = DefaultSectorStarts(kDefaultFlashWords);  //!< sector start word addresses
        std::size_t replyWords = 16;       //!< words per read reply, 1 to kMaxReplyWords
        unsigned replyLatencyMs = 0;       //!< time from a request to its reply (used by the MIDI backend)
        std::uint32_t linkBytesPerSecond = 0;  //!< link speed, 0 = unlimited (used by the MIDI backend)
        Faults faults;
    };

    //! What the link did with one message.
    enum class LinkState {
        Delivered,  //!< the instrument received the message
        SendError,  //!< the send failed; the instrument saw nothing
        Vanished,   //!< the device is gone; it sees nothing and answers nothing
        Stalled,    //!< the device takes no more bytes: the message stays on the wire
    };

    //! Outcome of one message offered to the instrument.
    struct Transfer {
        LinkState link = LinkState::Delivered;
        std::vector<std::vector<std::uint8_t>> replies;  //!< complete SysEx replies, in sending order
    };

    //! Counters of what the instrument received and did.
    struct Statistics {
        std::size_t messagesOffered = 0;   //!< every send attempt, failed ones included
        std::size_t messagesReceived = 0;  //!< messages that reached the instrument, malformed ones included
        std::size_t malformed = 0;         //!< messages ignored as malformed
        std::size_t busWrites = 0;         //!< single bus writes (0x09) that reached the flash chip
        std::size_t eraseCommands = 0;     //!< complete sector-erase sequences
        std::size_t sectorsErased = 0;     //!< sectors actually set to 0xFFFF
        std::size_t wordsWritten = 0;      //!< words programmed inside the flash
        std::size_t readRequests = 0;      //!< read requests (0x08) received
        std::size_t repliesSent = 0;       //!< replies given
        std::array<std::size_t, 16> commands{};  //!< well-formed messages per command byte

        //! End commands (0x02) received: one for each session that closed its ports.
        std::size_t endCommands() const;
    };

    //! Flash size of a default instrument: 512 KiB.
    static constexpr std::uint32_t kDefaultFlashWords = 0x40000;
    //! Largest reply that fits the updater's 200-byte input buffer: 49 × 4 + 2 = 198 bytes.
    static constexpr std::size_t kMaxReplyWords = 49;
    //! Largest flash the model will allocate (32 MiB).
    static constexpr std::uint32_t kMaxFlashWords = 0x1000000;
    //! Speed of a MIDI cable: 31250 baud, 10 bits per byte.
    static constexpr std::uint32_t kMidiCableBytesPerSecond = 3125;

    //! A bottom-boot sector map in words: 8K, 4K, 4K, 16K, then 32K sectors up to `flashWords`.
    static std::vector<std::uint32_t> DefaultSectorStarts(std::uint32_t flashWords);
    //! Encodes `words` as one reply: F0, four nibbles per word (low byte low nibble first), F7.
    static std::vector<std::uint8_t> EncodeReply(const std::vector<std::uint16_t>& words);

    //! Builds a default instrument with erased flash.
    SimulatedInstrument();
    //! Builds an instrument with erased flash; out-of-range settings are clamped.
    explicit SimulatedInstrument(Config config);

    //! Offers one message to the instrument: the link's fate and the replies it sends.
    Transfer transfer(const std::uint8_t* message, std::size_t length);
    //! Offers one message and returns only the replies.
    std::vector<std::vector<std::uint8_t>> receive(const std::uint8_t* message, std::size_t length);

    //! The flash contents, one entry per word.
    const std::vector<std::uint16_t>& flash() const { return m_flash; }
    //! The word at `address`; 0xFFFF outside the flash.
    std::uint16_t word(std::uint32_t address) const;
    //! Stores `words` from `address` on as they are, bypassing the flash rules (test set-up).
    void preload(std::uint32_t address, const std::vector<std::uint16_t>& words);
    //! Sets the whole flash to 0xFFFF.
    void eraseAll();

    //! The current word address.
    std::uint32_t currentAddress() const { return m_address; }
    //! Start address of the sector holding `address`; nullopt outside every sector.
    std::optional<std::uint32_t> sectorStartOf(std::uint32_t address) const;
    //! True once the device has vanished.
    bool vanished() const { return m_vanished; }

    //! What the instrument has received and done so far.
    const Statistics& statistics() const { return m_stats; }
    //! The settings in force, after clamping.
    const Config& config() const { return m_config; }
    //! The faults, to change them between messages.
    Faults& faults() { return m_config.faults; }
    //! Changes the reply latency and link speed used by the MIDI backend.
    void setTiming(unsigned replyLatencyMs, std::uint32_t linkBytesPerSecond);

private:
    LinkState admit();
    bool isWellFormed(const std::uint8_t* message, std::size_t length) const;
    void execute(const std::uint8_t* message, std::size_t length, std::vector<std::vector<std::uint8_t>>& replies);
    void busWrite(std::uint16_t value);
    void eraseSectorAt(std::uint32_t address);
    void programWords(const std::uint8_t* nibbles, std::size_t count);
    std::optional<std::vector<std::uint8_t>> answerRead();
    std::vector<std::uint8_t> replyCutTo(std::size_t length);
    std::vector<std::uint16_t> readWords(std::size_t count);
    bool isStuck(std::uint32_t sectorStart) const;
    std::uint16_t flipMaskAt(std::uint32_t address) const;

    Config m_config;
    std::vector<std::uint16_t> m_flash;
    std::uint32_t m_address = 0;
    int m_eraseStep = 0;          // command cycles of the erase sequence seen so far
    unsigned m_busyReadsLeft = 0;
    bool m_busyToggle = false;
    bool m_vanished = false;
    Statistics m_stats;
};

}  // namespace platform
