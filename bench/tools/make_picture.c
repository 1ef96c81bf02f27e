/* Writes a photo-like picture (smooth shading, edges, fine grain) of the given size
 * in one of the formats the goals script measures:
 *   make_picture FORMAT WIDTH HEIGHT OUT     FORMAT: ppm png tiff-lzw bmp pcx
 * JPEGs are made from the PPM with cjpeg, so that they are what the anchor reads. */
#include <math.h>
#include <png.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <tiffio.h>

static void photo_row(int y, int width, int height, unsigned char* rgb) {
    const double v = (double)y / height;
    for (int x = 0; x < width; ++x) {
        const double u = (double)x / width;
        /* Grain and leaf-like texture give the entropy coder a photograph's load. */
        const unsigned hash = ((unsigned)x * 2654435761u) ^ ((unsigned)y * 2246822519u);
        const double grain = (double)((hash * 2654435761u) >> 26) * 0.7;
        const double leaves = 18 * sin(x * 0.9 + 3 * sin(y * 0.21)) * sin(y * 0.7 + x * 0.05);
        const double du = u - 0.62, dv = v - 0.41;
        const int disc = du * du + dv * dv < 0.04;
        const int ridge = fabs(v - 0.75 - 0.05 * sin(u * 17)) < 0.01;
        double r = 50 + 120 * u + 30 * sin(v * 11) + grain + leaves;
        double g = 70 + 100 * v + 25 * sin(u * 7 + v * 5) + grain + leaves;
        double b = disc ? 190 + 30 * cos(du * 40) : 40 + 80 * (1 - v) + grain - leaves;
        if (ridge)
            r = g = b = 240;
        rgb[3 * x] = (unsigned char)(r < 0 ? 0 : r > 255 ? 255 : r);
        rgb[3 * x + 1] = (unsigned char)(g < 0 ? 0 : g > 255 ? 255 : g);
        rgb[3 * x + 2] = (unsigned char)(b < 0 ? 0 : b > 255 ? 255 : b);
    }
}

static void put_le(FILE* f, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        fputc((int)(value >> (8 * i)) & 0xFF, f);
}

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: make_picture ppm|png|tiff-lzw|bmp|pcx WIDTH HEIGHT OUT\n");
        return 2;
    }
    const char* format = argv[1];
    const int width = atoi(argv[2]), height = atoi(argv[3]);
    unsigned char* row = malloc((size_t)width * 3);
    if (strcmp(format, "tiff-lzw") == 0) {
        TIFF* tiff = TIFFOpen(argv[4], "w8");
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tiff, TIFFTAG_PREDICTOR, 2);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
        for (int y = 0; y < height; ++y) {
            photo_row(y, width, height, row);
            TIFFWriteScanline(tiff, row, (uint32_t)y, 0);
        }
        TIFFClose(tiff);
        return 0;
    }
    FILE* out = fopen(argv[4], "wb");
    if (!out)
        return 1;
    if (strcmp(format, "ppm") == 0) {
        fprintf(out, "P6\n%d %d\n255\n", width, height);
        for (int y = 0; y < height; ++y) {
            photo_row(y, width, height, row);
            fwrite(row, 3, (size_t)width, out);
        }
    } else if (strcmp(format, "png") == 0) {
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, out);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            photo_row(y, width, height, row);
            png_write_row(png, row);
        }
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
    } else if (strcmp(format, "bmp") == 0) {
        const uint32_t stride = ((uint32_t)width * 3 + 3) & ~3u;
        fputs("BM", out);
        put_le(out, 54 + stride * (uint32_t)height, 4);
        put_le(out, 0, 4);
        put_le(out, 54, 4);
        put_le(out, 40, 4);
        put_le(out, (uint32_t)width, 4);
        put_le(out, (uint32_t)height, 4);
        put_le(out, 1, 2);
        put_le(out, 24, 2);
        for (int i = 0; i < 6; ++i)
            put_le(out, 0, 4);
        unsigned char* bgr = calloc(stride, 1);
        for (int y = height - 1; y >= 0; --y) {
            photo_row(y, width, height, row);
            for (int x = 0; x < width; ++x) {
                bgr[3 * x] = row[3 * x + 2];
                bgr[3 * x + 1] = row[3 * x + 1];
                bgr[3 * x + 2] = row[3 * x];
            }
            fwrite(bgr, 1, stride, out);
        }
    } else if (strcmp(format, "pcx") == 0) {
        const int bytesPerLine = (width + 1) & ~1;
        unsigned char header[128] = {10, 5, 1, 8};
        header[8] = (unsigned char)((width - 1) & 0xFF);
        header[9] = (unsigned char)((width - 1) >> 8);
        header[10] = (unsigned char)((height - 1) & 0xFF);
        header[11] = (unsigned char)((height - 1) >> 8);
        header[12] = header[14] = 72;
        header[65] = 3;
        header[66] = (unsigned char)(bytesPerLine & 0xFF);
        header[67] = (unsigned char)(bytesPerLine >> 8);
        header[68] = 1;
        fwrite(header, 1, sizeof header, out);
        unsigned char* plane = calloc((size_t)bytesPerLine, 1);
        for (int y = 0; y < height; ++y) {
            photo_row(y, width, height, row);
            for (int p = 0; p < 3; ++p) {
                for (int x = 0; x < width; ++x)
                    plane[x] = row[3 * x + p];
                for (int x = 0; x < bytesPerLine;) {
                    int run = 1;
                    while (x + run < bytesPerLine && run < 63 && plane[x + run] == plane[x])
                        ++run;
                    if (run > 1 || plane[x] >= 0xC0)
                        fputc(0xC0 | run, out);
                    fputc(plane[x], out);
                    x += run;
                }
            }
        }
    } else {
        fprintf(stderr, "unknown format %s\n", format);
        return 2;
    }
    fclose(out);
    return 0;
}
