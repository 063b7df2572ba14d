# Checks, after each link, that the plug-in DLL carries the resources the platform layer loads
# from it, read from the PE file's own resource directory:
#   ruby check_resources.rb LIBRARY.dll
# - icon group 110 (kPluginIconResource) with the seven icon sizes, 16 to 256 pixels, each a
#   32-bit image whose RT_ICON resource is present, of the size the group states, and holds an
#   image of the stated dimensions;
# - bitmap 107 (kDialogPictureResource), an uncompressed 440 x 560 image at 24 bits per pixel
#   with all its pixel rows.

RT_BITMAP = 2
RT_ICON = 3
RT_GROUP_ICON = 14
ICON_GROUP = 110
PICTURE = 107
ICON_SIZES = [16, 20, 24, 32, 40, 48, 256].freeze

# The resources of a PE image: { type => { id => bytes } }, first language of each.
class PeResources
  def initialize(bytes)
    @bytes = bytes
    raise "no MZ header" unless bytes.byteslice(0, 2) == "MZ"

    pe = u32(0x3C)
    raise "no PE header" unless bytes.byteslice(pe, 4) == "PE\0\0"

    sections = u16(pe + 6)
    optional_size = u16(pe + 20)
    optional = pe + 24
    raise "not a PE32+ image" unless u16(optional) == 0x20B

    @sections = Array.new(sections) do |i|
      at = optional + optional_size + (40 * i)
      { rva: u32(at + 12), size: [u32(at + 8), u32(at + 16)].max, file: u32(at + 20) }
    end
    directories = u32(optional + 108)
    @root = directories > 2 ? u32(optional + 112 + (2 * 8)) : 0
  end

  def entries
    return {} if @root.zero?

    base = offset(@root)
    each_entry(base, base).to_h do |type, type_dir|
      ids = each_entry(base, type_dir).to_h do |id, lang_dir|
        _lang, data = each_entry(base, lang_dir).first
        [id, @bytes.byteslice(offset(u32(data)), u32(data + 4))]
      end
      [type, ids]
    end
  end

  private

  def u16(at) = @bytes.byteslice(at, 2).unpack1("v")
  def u32(at) = @bytes.byteslice(at, 4).unpack1("V")

  def offset(rva)
    section = @sections.find { |s| rva >= s[:rva] && rva < s[:rva] + s[:size] }
    raise format("RVA 0x%x lies in no section", rva) unless section

    section[:file] + rva - section[:rva]
  end

  # [id, where] for each numbered entry of the directory at `dir`; named entries are skipped.
  def each_entry(base, dir)
    named = u16(dir + 12)
    numbered = u16(dir + 14)
    Array.new(numbered) do |i|
      at = dir + 16 + (8 * (named + i))
      [u32(at), base + (u32(at + 4) & 0x7FFFFFFF)]
    end
  end
end

def check_icons(resources, problems)
  group = resources.dig(RT_GROUP_ICON, ICON_GROUP)
  return problems << "no icon group #{ICON_GROUP}" unless group

  reserved, type, count = group.unpack("vvv")
  problems << "icon group #{ICON_GROUP} is not an icon directory" unless reserved.zero? && type == 1
  sizes = Array.new(count) do |i|
    width, height, _colours, _reserved, _planes, bits, bytes, id = group.byteslice(6 + (14 * i), 14).unpack("CCCCvvVv")
    width = 256 if width.zero?
    height = 256 if height.zero?
    image = resources.dig(RT_ICON, id)
    if image.nil?
      problems << "icon #{id} (#{width} x #{height}) is missing"
    elsif image.bytesize != bytes
      problems << "icon #{id} holds #{image.bytesize} bytes; its group states #{bytes}"
    elsif image.byteslice(0, 4).unpack1("V") == 40
      _size, image_width, image_height, _planes, image_bits = image.unpack("Vl<l<vv")
      if image_width != width || image_height != 2 * height || image_bits != bits
        problems << "icon #{id} is #{image_width} x #{image_height / 2} at #{image_bits} bits; " \
                    "its group states #{width} x #{height} at #{bits}"
      end
    elsif !image.start_with?("\x89PNG".b)
      problems << "icon #{id} is neither a DIB nor a PNG image"
    end
    problems << "icon #{id} has #{bits} bits per pixel, not 32" unless bits == 32
    problems << "icon #{id} is #{width} x #{height}, not square" unless width == height
    width
  end
  problems << "icon group #{ICON_GROUP} holds sizes #{sizes.inspect}; expected #{ICON_SIZES.inspect}" unless sizes.sort == ICON_SIZES
end

def check_picture(resources, problems)
  picture = resources.dig(RT_BITMAP, PICTURE)
  return problems << "no bitmap #{PICTURE}" unless picture

  header, width, height, _planes, bits, compression = picture.unpack("Vl<l<vvV")
  stride = ((width.abs * bits) + 31) / 32 * 4
  unless header == 40 && width == 440 && height.abs == 560 && bits == 24 && compression.zero?
    problems << "bitmap #{PICTURE} is #{width} x #{height} at #{bits} bits (compression #{compression}); " \
                "expected 440 x 560 at 24 bits, uncompressed"
  end
  return if picture.bytesize >= header + (stride * height.abs)

  problems << "bitmap #{PICTURE} holds #{picture.bytesize} bytes, too few for its pixels"
end

abort "usage: check_resources.rb LIBRARY.dll" unless ARGV.size == 1
library = ARGV[0]
problems = []
resources = PeResources.new(File.binread(library)).entries
check_icons(resources, problems)
check_picture(resources, problems)
problems.each { |problem| warn problem }
name = File.basename(library)
if problems.empty?
  puts "#{name}: icon group #{ICON_GROUP} in #{ICON_SIZES.size} sizes, bitmap #{PICTURE} of 440 x 560 x 24"
  exit 0
end
puts "#{name}: #{problems.size} resource problems"
exit 1
