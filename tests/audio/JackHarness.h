// The JACK test harness: a private server with the dummy backend at a
// given rate, one server at a time across test programs, and a client of
// the test's own that plays two known signals into a driver's inputs and
// records what its outputs carry. Native builds only.
#pragma once

#include <gtest/gtest.h>
#include <jack/jack.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kestrava::test {

using Clock = std::chrono::steady_clock;

// A private JACK server with the dummy backend, stopped again when the
// object goes, whatever the tests did.
class JackServer {
public:
    JackServer(const std::string& name, int rate) : name_(name), rate_(rate) { start(); }

    ~JackServer() { stop(SIGTERM); }

    // Ends the server with `signal` (SIGKILL: it dies without a word to its
    // clients) and waits until it has gone.
    void stop(int signal)
    {
        if (pid_ <= 0) {
            return;
        }
        kill(pid_, signal);
        int status = 0;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
        ready_ = false;
    }

    // Starts the server (again, after stop) under the same name.
    void start()
    {
        const std::string rateText = std::to_string(rate_);
        std::vector<std::string> args = {"jackd", "--no-realtime", "-n", name_, "-d", "dummy", "-r", rateText, "-p", "256"};
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, "jackd", &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ready_ = pid_ > 0 && waitUntilReady();
    }

    bool ready() const { return ready_; }
    const std::string& name() const { return name_; }

private:
    bool waitUntilReady()
    {
        const auto deadline = Clock::now() + std::chrono::seconds(15);
        while (Clock::now() < deadline) {
            jack_status_t status{};
            jack_client_t* probe = jack_client_open("probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                                                    &status, name_.c_str());
            if (probe != nullptr) {
                jack_client_close(probe);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    std::string name_;
    int rate_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

inline JackServer* server = nullptr;

// CTest runs test programs side by side; one JACK server at a time keeps the
// dummy backend's cycles on time on a small machine.
class JackEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        lock_ = open("/tmp/kestrava-jack-tests.lock", O_CREAT | O_RDWR, 0666);
        if (lock_ >= 0) {
            flock(lock_, LOCK_EX);
        }
        const std::string name = "kestrava-test-" + std::to_string(getpid());
        setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        server = new JackServer(name, 48000);
    }
    void TearDown() override
    {
        delete server;
        server = nullptr;
        if (lock_ >= 0) {
            close(lock_);
        }
    }

private:
    int lock_ = -1;
};

// Exact in single precision, both of period 8,191; the frame is told by the
// cycle's frame time, so the sender and the receiver agree on it.
inline float micSignal(std::uint64_t frame)
{
    return static_cast<float>(static_cast<std::int64_t>(frame * 7919 % 8191) - 4095) / 8192.0f;
}

inline float pickupSignal(std::uint64_t frame)
{
    return static_cast<float>(static_cast<std::int64_t>(frame * 104729 % 8191) - 4095) / 8192.0f;
}

// The test's own JACK client: plays the two signals into the driver's inputs
// and records what the driver's outputs carry, by frame time.
class TestClient {
public:
    static constexpr std::size_t kCapacity = 48000 * 4;

    TestClient()
    {
        player_ = jack_client_open("player", JackNoStartServer, &status);
        listener_ = jack_client_open("listener", JackNoStartServer, &status);
        if (player_ == nullptr || listener_ == nullptr) {
            return;
        }
        mic_ = jack_port_register(player_, "mic", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        pickup_ = jack_port_register(player_, "pickup", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        left_ = jack_port_register(listener_, "left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        right_ = jack_port_register(listener_, "right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        frames_.resize(kCapacity);
        left.resize(kCapacity);
        right.resize(kCapacity);
        jack_set_process_callback(player_, &TestClient::play, this);
        jack_set_xrun_callback(player_, &TestClient::xrun, this);
        jack_set_process_callback(listener_, &TestClient::listen, this);
        ok_ = jack_activate(player_) == 0 && jack_activate(listener_) == 0;
    }

    ~TestClient()
    {
        if (player_ != nullptr) {
            jack_client_close(player_);
        }
        if (listener_ != nullptr) {
            jack_client_close(listener_);
        }
    }

    bool ok() const { return ok_; }
    jack_status_t status{};

    bool connectTo(const std::string& driverClient)
    {
        return jack_connect(player_, jack_port_name(mic_), (driverClient + ":in_1").c_str()) == 0 &&
               jack_connect(player_, jack_port_name(pickup_), (driverClient + ":in_2").c_str()) == 0 &&
               jack_connect(listener_, (driverClient + ":out_1").c_str(), jack_port_name(left_)) == 0 &&
               jack_connect(listener_, (driverClient + ":out_2").c_str(), jack_port_name(right_)) == 0;
    }

    // Starts listening afresh and waits until `frames` frames have arrived.
    bool listenFor(std::size_t frames)
    {
        count_.store(0);
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (count_.load() < frames) {
            if (Clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        stopped_ = count_.load();
        return true;
    }

    std::size_t heard() const { return stopped_; }
    std::uint64_t frameAt(std::size_t i) const { return frames_[i]; }

    std::vector<float> left;
    std::vector<float> right;
    // Cycles the server reported late; data may be lost in them, so a check
    // that sees one is repeated rather than judged.
    std::atomic<int> xruns{0};

private:
    static int xrun(void* arg)
    {
        ++static_cast<TestClient*>(arg)->xruns;
        return 0;
    }

    static int play(jack_nframes_t n, void* arg)
    {
        auto* self = static_cast<TestClient*>(arg);
        const jack_nframes_t t0 = jack_last_frame_time(self->player_);
        auto* mic = static_cast<float*>(jack_port_get_buffer(self->mic_, n));
        auto* pickup = static_cast<float*>(jack_port_get_buffer(self->pickup_, n));
        for (jack_nframes_t i = 0; i < n; ++i) {
            mic[i] = micSignal(t0 + i);
            pickup[i] = pickupSignal(t0 + i);
        }
        return 0;
    }

    static int listen(jack_nframes_t n, void* arg)
    {
        auto* self = static_cast<TestClient*>(arg);
        const jack_nframes_t t0 = jack_last_frame_time(self->listener_);
        const auto* l = static_cast<const float*>(jack_port_get_buffer(self->left_, n));
        const auto* r = static_cast<const float*>(jack_port_get_buffer(self->right_, n));
        std::size_t at = self->count_.load();
        for (jack_nframes_t i = 0; i < n && at < kCapacity; ++i, ++at) {
            self->frames_[at] = t0 + i;
            self->left[at] = l[i];
            self->right[at] = r[i];
        }
        self->count_.store(at);
        return 0;
    }

    jack_client_t* player_ = nullptr;
    jack_client_t* listener_ = nullptr;
    jack_port_t* mic_ = nullptr;
    jack_port_t* pickup_ = nullptr;
    jack_port_t* left_ = nullptr;
    jack_port_t* right_ = nullptr;
    bool ok_ = false;
    std::vector<std::uint64_t> frames_;
    std::atomic<std::size_t> count_{0};
    std::size_t stopped_ = 0;
};

}  // namespace kestrava::test
