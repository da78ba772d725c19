#include "lab/VideoRecorder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace

VideoRecorder::VideoRecorder() = default;

VideoRecorder::~VideoRecorder() {
    stop();
}

bool VideoRecorder::start(const std::string& name, int imageWidth, int imageHeight, int framesPerSecond,
                          std::string& error) {
    if (recording) {
        error = "already recording to " + file;
        return false;
    }
    if (name.empty() || name.find('\n') != std::string::npos) {
        error = "a video needs a file name on one line";
        return false;
    }
    if (framesPerSecond < MIN_FPS || framesPerSecond > MAX_FPS) {
        error = "a video's frame rate is from " + std::to_string(MIN_FPS) + " to " + std::to_string(MAX_FPS);
        return false;
    }
    width = imageWidth & ~1;
    height = imageHeight & ~1;
    if (width < 2 || height < 2) {
        error = "the window is too small to record";
        return false;
    }
    // A pipe or a device would take the video without its ending, or block the window for ever.
    struct stat status;
    if (stat(name.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        error = "cannot record to " + name + ": not a regular file";
        return false;
    }
    // The encoder's own chatter stays off the lab's terminal; its failures are reported by the lab.
    av_log_set_level(AV_LOG_QUIET);
    fps = framesPerSecond;
    file = name;
    partFile = name + ".part";
    int code = avformat_alloc_output_context2(&format, nullptr, "mp4", partFile.c_str());
    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    if (!h264)
        h264 = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (code < 0 || !format || !h264) {
        error =
            "cannot record: " + std::string(h264 ? "no MP4 writer" : "no H.264 encoder") + " in libavcodec";
        release();
        return false;
    }
    stream = avformat_new_stream(format, nullptr);
    codec = avcodec_alloc_context3(h264);
    codec->width = width;
    codec->height = height;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = AVRational{1, fps};
    codec->framerate = AVRational{fps, 1};
    codec->gop_size = 2 * fps;
    // One thread: the machine's other cores draw and tick the world.
    codec->thread_count = 1;
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(codec->priv_data, "preset", "ultrafast", 0);
    av_opt_set(codec->priv_data, "tune", "zerolatency", 0);
    code = avcodec_open2(codec, h264, nullptr);
    if (code >= 0)
        code = avcodec_parameters_from_context(stream->codecpar, codec);
    if (code < 0) {
        error = "cannot record: the H.264 encoder refused " + std::to_string(width) + "x" +
                std::to_string(height) + ": " + avError(code);
        release();
        return false;
    }
    stream->time_base = codec->time_base;
    code = avio_open(&format->pb, partFile.c_str(), AVIO_FLAG_WRITE);
    if (code < 0) {
        error = "cannot record to " + file + ": " + avError(code);
        release();
        return false;
    }
    // No edit list: with one, players cut the last frame's time off the video.
    AVDictionary* muxing = nullptr;
    av_dict_set(&muxing, "use_editlist", "0", 0);
    code = avformat_write_header(format, &muxing);
    av_dict_free(&muxing);
    if (code < 0 || format->pb->error < 0) {
        error = "cannot record to " + file + ": " + avError(code < 0 ? code : format->pb->error);
        release();
        std::remove(partFile.c_str());
        return false;
    }
    frame = av_frame_alloc();
    frame->format = codec->pix_fmt;
    frame->width = width;
    frame->height = height;
    av_frame_get_buffer(frame, 0);
    packet = av_packet_alloc();
    haveFrame = false;
    started = false;
    nextSlot = 0;
    droppedUpTo = -1;
    tally = Tally{};
    failure.clear();
    failed = false;
    ending = false;
    recording = true;
    encoder = std::thread([this] { encodeAll(); });
    return true;
}

long VideoRecorder::slotAt(double seconds) const {
    return static_cast<long>(std::floor((seconds - origin) * fps + 1e-9));
}

bool VideoRecorder::wants(double seconds) const {
    return recording && (!started || slotAt(seconds) >= nextSlot);
}

void VideoRecorder::offer(const unsigned char* pixels, int imageWidth, int imageHeight, double seconds) {
    if (!recording || imageWidth < 2 || imageHeight < 2)
        return;
    if (!started) {
        started = true;
        origin = seconds;
    }
    const long slot = slotAt(seconds);
    if (slot < nextSlot)
        return;
    std::unique_lock<std::mutex> lock(mutex);
    if (failed)
        return;
    if (queue.size() >= QUEUE_IMAGES) {
        // The frames up to this one are left to repeat the last image encoded.
        tally.dropped += slot - std::max(nextSlot, droppedUpTo + 1) + 1;
        droppedUpTo = slot;
        return;
    }
    std::unique_ptr<Image> image(new Image);
    const size_t bytes = static_cast<size_t>(imageWidth) * imageHeight * 4;
    image->pixels.assign(pixels, pixels + bytes);
    image->width = imageWidth;
    image->height = imageHeight;
    image->first = nextSlot;
    image->slot = slot;
    // Frames skipped without a drop: the window was slower than the video.
    const long skipped = slot - nextSlot;
    const long droppedAmong = std::max(0L, std::min(droppedUpTo, slot - 1) - nextSlot + 1);
    tally.repeated += skipped - droppedAmong;
    ++tally.drawn;
    nextSlot = slot + 1;
    queue.push_back(std::move(image));
    lock.unlock();
    ready.notify_one();
}

void VideoRecorder::encodeAll() {
    for (;;) {
        std::unique_ptr<Image> image;
        {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait(lock, [this] { return ending || !queue.empty(); });
            if (queue.empty())
                return;
            image = std::move(queue.front());
            queue.pop_front();
        }
        if (!encode(*image)) {
            std::lock_guard<std::mutex> lock(mutex);
            queue.clear();
            return;
        }
    }
}

bool VideoRecorder::encode(const Image& image) {
    // The frames the window missed show the image before, as a player would have shown it.
    for (long slot = image.first; haveFrame && slot < image.slot; ++slot) {
        frame->pts = slot;
        if (!send(frame))
            return false;
    }
    if (av_frame_make_writable(frame) < 0) {
        fail("out of memory for a video frame");
        return false;
    }
    // A window resized while recording is scaled to the video's size.
    const int sourceWidth = image.width == width + 1 ? width : image.width;
    const int sourceHeight = image.height == height + 1 ? height : image.height;
    scaler = sws_getCachedContext(scaler, sourceWidth, sourceHeight, AV_PIX_FMT_RGBA, width, height,
                                  AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler) {
        fail("cannot convert the window's image for the video");
        return false;
    }
    // OpenGL's rows run from the bottom up: start at the top row and step backwards.
    const int stride = image.width * 4;
    const uint8_t* top = image.pixels.data() + static_cast<size_t>(image.height - 1) * stride;
    const uint8_t* planes[1] = {top};
    const int strides[1] = {-stride};
    sws_scale(scaler, planes, strides, 0, sourceHeight, frame->data, frame->linesize);
    frame->pts = image.slot;
    haveFrame = true;
    return send(frame);
}

bool VideoRecorder::send(AVFrame* picture) {
    const int code = avcodec_send_frame(codec, picture);
    if (code < 0 && code != AVERROR_EOF) {
        fail("the H.264 encoder failed: " + avError(code));
        return false;
    }
    return writePackets();
}

bool VideoRecorder::writePackets() {
    for (;;) {
        int code = avcodec_receive_packet(codec, packet);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return true;
        if (code < 0) {
            fail("the H.264 encoder failed: " + avError(code));
            return false;
        }
        // Each frame lasts one tick of the rate, the last one too.
        packet->duration = 1;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        code = av_interleaved_write_frame(format, packet);
        if (code >= 0 && format->pb->error < 0)
            code = format->pb->error;
        if (code < 0) {
            fail("cannot write " + file + ": " + avError(code));
            return false;
        }
    }
}

void VideoRecorder::fail(const std::string& reason) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!failed)
        failure = reason;
    failed = true;
}

std::string VideoRecorder::takeFailure() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!failed || failure.empty())
            return std::string();
    }
    // The encoder has stopped: take back the file and end the recording.
    const std::string reason = "recording stopped: " + failure;
    stop();
    return reason;
}

std::string VideoRecorder::stop() {
    if (!recording)
        return std::string();
    {
        std::lock_guard<std::mutex> lock(mutex);
        ending = true;
    }
    ready.notify_one();
    encoder.join();
    recording = false;
    bool whole = !failed;
    // Images dropped at the very end still count as frames: they repeat the last one encoded.
    for (long slot = nextSlot; whole && haveFrame && slot <= droppedUpTo; ++slot) {
        frame->pts = slot;
        whole = send(frame);
    }
    if (whole) {
        // The encoder's last frames, then the index that makes the file playable.
        avcodec_send_frame(codec, nullptr);
        whole = writePackets();
        const int code = av_write_trailer(format);
        avio_flush(format->pb);
        if (whole && (code < 0 || format->pb->error < 0)) {
            fail("cannot write " + file + ": " + avError(code < 0 ? code : format->pb->error));
            whole = false;
        }
    }
    const int closed = avio_closep(&format->pb);
    if (whole && closed < 0) {
        fail("cannot write " + file + ": " + avError(closed));
        whole = false;
    }
    release();
    if (whole && std::rename(partFile.c_str(), file.c_str()) != 0) {
        fail("cannot write " + file + ": " + std::strerror(errno));
        whole = false;
    }
    if (!whole) {
        std::remove(partFile.c_str());
        // Said once: through takeFailure() if the caller has not read it yet, else here.
        const std::string reason = failure;
        failure.clear();
        return reason.empty() ? std::string() : "recording stopped: " + reason;
    }
    return report(file, width, height, fps, tally);
}

VideoRecorder::Tally VideoRecorder::getTally() const {
    std::lock_guard<std::mutex> lock(mutex);
    return tally;
}

std::string VideoRecorder::report(const std::string& name, int videoWidth, int videoHeight,
                                  int framesPerSecond, const Tally& counts) {
    char line[512];
    std::snprintf(line, sizeof line,
                  "recorded %s: %ld frames, %dx%d at %d frames/s (%.1f s); %ld dropped, %ld repeated "
                  "while the window was slower",
                  name.c_str(), counts.frames(), videoWidth, videoHeight, framesPerSecond,
                  static_cast<double>(counts.frames()) / framesPerSecond, counts.dropped, counts.repeated);
    return line;
}

void VideoRecorder::release() {
    if (format && format->pb)
        avio_closep(&format->pb);
    avcodec_free_context(&codec);
    avformat_free_context(format);
    format = nullptr;
    stream = nullptr;
    av_frame_free(&frame);
    av_packet_free(&packet);
    sws_freeContext(scaler);
    scaler = nullptr;
}
