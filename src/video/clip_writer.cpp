#include "video/clip_writer.h"

#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace vq {
namespace {

std::string AvText(const char* what, int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return std::string(what) + ": " + buf;
}

bool Fail(std::string* error, std::string text) {
    if (error) *error = std::move(text);
    return false;
}

}  // namespace

// The libav objects of one clip; each is released by the destructor whatever happened.
struct ClipWriter::Codec {
    AVFormatContext* format = nullptr;
    AVCodecContext* encoder = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    int scaler_w = 0, scaler_h = 0;
    bool header_written = false;

    ~Codec() {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&encoder);
        if (format != nullptr) {
            if (format->pb != nullptr) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

ClipWriter::ClipWriter() = default;

ClipWriter::~ClipWriter() {
    Abandon();
}

bool ClipWriter::is_open() const {
    return codec_ != nullptr;
}

void ClipWriter::Abandon() {
    if (!codec_) return;
    codec_.reset();
    ::unlink(temp_.c_str());
}

bool ClipWriter::Open(const std::filesystem::path& path, int width, int height,
                      int frames_per_second, std::string* error) {
    Abandon();
    width_ = width & ~1;  // the encoder's colour planes need even sides
    height_ = height & ~1;
    frames_ = 0;
    if (width_ < 16 || height_ < 16 || width_ > kBmpMaxSide || height_ > kBmpMaxSide ||
        frames_per_second < 1) {
        return Fail(error, "the camera's picture size is not usable for a clip");
    }
    path_ = path;
    temp_ = path;
    temp_ += ".part";
    codec_ = std::make_unique<Codec>();
    Codec& c = *codec_;
    int r = avformat_alloc_output_context2(&c.format, nullptr, "avi", temp_.c_str());
    const AVCodec* mpeg4 = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (r < 0 || mpeg4 == nullptr) {
        codec_.reset();
        return Fail(error, "this FFmpeg has no AVI muxer or MPEG-4 encoder");
    }
    c.stream = avformat_new_stream(c.format, nullptr);
    c.encoder = avcodec_alloc_context3(mpeg4);
    c.frame = av_frame_alloc();
    c.packet = av_packet_alloc();
    if (!c.stream || !c.encoder || !c.frame || !c.packet) {
        codec_.reset();
        return Fail(error, "out of memory");
    }
    AVCodecContext* e = c.encoder;
    e->width = width_;
    e->height = height_;
    e->time_base = AVRational{1, frames_per_second};
    e->framerate = AVRational{frames_per_second, 1};
    e->pix_fmt = AV_PIX_FMT_YUV420P;
    e->gop_size = frames_per_second;
    e->flags |= AV_CODEC_FLAG_QSCALE;
    e->global_quality = FF_QP2LAMBDA * 3;  // constant quality: sharp enough to read a number
    if (c.format->oformat->flags & AVFMT_GLOBALHEADER) e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((r = avcodec_open2(e, mpeg4, nullptr)) < 0 ||
        (r = avcodec_parameters_from_context(c.stream->codecpar, e)) < 0) {
        codec_.reset();
        return Fail(error, AvText("cannot start the encoder", r));
    }
    c.stream->time_base = e->time_base;
    c.stream->avg_frame_rate = e->framerate;
    c.frame->format = e->pix_fmt;
    c.frame->width = width_;
    c.frame->height = height_;
    if ((r = av_frame_get_buffer(c.frame, 0)) < 0) {
        codec_.reset();
        return Fail(error, AvText("out of memory", r));
    }
    if ((r = avio_open(&c.format->pb, temp_.c_str(), AVIO_FLAG_WRITE)) < 0) {
        codec_.reset();
        return Fail(error, AvText("cannot create the file", r));
    }
    if ((r = avformat_write_header(c.format, nullptr)) < 0) {
        Abandon();
        return Fail(error, AvText("cannot write the file", r));
    }
    c.header_written = true;
    return true;
}

bool ClipWriter::Encode(bool flush, std::string* error) {
    Codec& c = *codec_;
    int r = avcodec_send_frame(c.encoder, flush ? nullptr : c.frame);
    if (r < 0) return Fail(error, AvText("cannot encode the frame", r));
    for (;;) {
        r = avcodec_receive_packet(c.encoder, c.packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return Fail(error, AvText("cannot encode the frame", r));
        av_packet_rescale_ts(c.packet, c.encoder->time_base, c.stream->time_base);
        c.packet->stream_index = c.stream->index;
        r = av_interleaved_write_frame(c.format, c.packet);  // takes the packet's data
        if (r < 0) return Fail(error, AvText("cannot write the file", r));
    }
}

bool ClipWriter::Add(const Rgb32View& f, std::string* error) {
    if (!codec_) return Fail(error, "no clip is open");
    if (f.pixels == nullptr || !BmpSizeAllowed(f.width, f.height) ||
        f.stride_pixels < static_cast<std::size_t>(f.width)) {
        return Fail(error, "empty frame");
    }
    Codec& c = *codec_;
    if (c.scaler == nullptr || c.scaler_w != f.width || c.scaler_h != f.height) {
        sws_freeContext(c.scaler);
        // 0xXXRRGGBB words lie in memory as blue, green, red, unused.
        c.scaler = sws_getContext(f.width, f.height, AV_PIX_FMT_BGR0, width_, height_,
                                  AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
        c.scaler_w = f.width;
        c.scaler_h = f.height;
        if (c.scaler == nullptr) return Fail(error, "cannot convert the camera's pictures");
    }
    int r = av_frame_make_writable(c.frame);
    if (r < 0) return Fail(error, AvText("out of memory", r));
    const auto* src = reinterpret_cast<const std::uint8_t*>(f.pixels);
    const std::uint8_t* planes[1] = {src};
    const int strides[1] = {static_cast<int>(f.stride_pixels * 4)};
    sws_scale(c.scaler, planes, strides, 0, f.height, c.frame->data, c.frame->linesize);
    c.frame->pts = frames_;
    if (!Encode(false, error)) return false;
    ++frames_;
    return true;
}

bool ClipWriter::Finish(std::string* error) {
    if (!codec_) return Fail(error, "no clip is open");
    bool ok = Encode(true, error);
    if (ok) {
        const int r = av_write_trailer(codec_->format);
        if (r < 0) ok = Fail(error, AvText("cannot complete the file", r));
    }
    if (ok) {
        const int r = avio_closep(&codec_->format->pb);
        if (r < 0) ok = Fail(error, AvText("cannot complete the file", r));
    }
    if (!ok) {
        Abandon();
        return false;
    }
    codec_.reset();
    std::error_code ec;
    std::filesystem::rename(temp_, path_, ec);
    if (ec) {
        ::unlink(temp_.c_str());
        return Fail(error, "cannot name the clip " + path_.string() + ": " + ec.message());
    }
    return true;
}

}  // namespace vq
