# Writes the plug-in's placeholder artwork for its DLL's resources, at build time:
#   ruby write_artwork.rb ICON.ico PICTURE.bmp
# - ICON.ico: the icon in the seven sizes Windows asks for on screens of 100 to 200 percent,
#   each a 32-bit BGRA image with its 1-bit mask (the form every Windows version reads);
# - PICTURE.bmp: the About picture, 440 x 560 pixels at 24 bits per pixel.
require_relative "placeholder_artwork"

ICON_SIZES = [16, 20, 24, 32, 40, 48, 256].freeze
PICTURE_WIDTH = 440
PICTURE_HEIGHT = 560

# A BITMAPINFOHEADER for an uncompressed bottom-up image.
def info_header(width, height, bits, image_size)
  [40, width, height, 1, bits, 0, image_size, 0, 0, 0, 0].pack("Vl<l<vvVVl<l<VV")
end

# One icon image: the header declares twice the height (colour rows, then mask rows), rows run
# bottom up, and the mask marks fully transparent pixels.
def icon_image(size)
  pixels = PlaceholderArtwork.icon_pixels(size)
  colour = pixels.reverse.map { |row| row.map { |r, g, b, a| [b, g, r, a].pack("C4") }.join }.join
  mask_stride = ((size + 31) / 32) * 4
  mask = pixels.reverse.map do |row|
    bits = row.map { |pixel| pixel[3].zero? ? "1" : "0" }.join
    [bits].pack("B*").ljust(mask_stride, "\0")
  end.join
  info_header(size, size * 2, 32, colour.bytesize + mask.bytesize) + colour + mask
end

def icon_file
  images = ICON_SIZES.map { |size| icon_image(size) }
  offset = 6 + (16 * images.size)
  directory = [0, 1, images.size].pack("vvv")
  ICON_SIZES.zip(images).each do |size, image|
    side = size == 256 ? 0 : size
    directory << [side, side, 0, 0, 1, 32, image.bytesize, offset].pack("CCCCvvVV")
    offset += image.bytesize
  end
  directory + images.join
end

def picture_file
  stride = ((PICTURE_WIDTH * 3) + 3) & ~3
  rows = PlaceholderArtwork.picture_pixels(PICTURE_WIDTH, PICTURE_HEIGHT).reverse.map do |row|
    row.map { |r, g, b| [b, g, r].pack("C3") }.join.ljust(stride, "\0")
  end
  image = rows.join
  header = info_header(PICTURE_WIDTH, PICTURE_HEIGHT, 24, image.bytesize)
  ["BM", 14 + header.bytesize + image.bytesize, 0, 0, 14 + header.bytesize].pack("a2VvvV") + header + image
end

abort "usage: write_artwork.rb ICON.ico PICTURE.bmp" unless ARGV.size == 2
File.binwrite(ARGV[0], icon_file)
File.binwrite(ARGV[1], picture_file)
