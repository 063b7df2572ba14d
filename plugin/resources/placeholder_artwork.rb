# The plug-in's placeholder artwork, drawn from shapes so that any size comes out sharp: a
# rounded teal tile carrying a white "K", and for the About picture the tile above two linked
# rings on a dark gradient. Shapes are signed distances (negative inside) in units of the
# picture's width; a pixel's coverage is its centre's distance turned into pixels, which gives
# one-pixel antialiased edges at every size.
module PlaceholderArtwork
  TILE_TOP = [0x2F, 0x9C, 0xB8].freeze
  TILE_BOTTOM = [0x17, 0x5A, 0x75].freeze
  MARK = [0xFF, 0xFF, 0xFF].freeze
  PICTURE_TOP = [0x1E, 0x3A, 0x4C].freeze
  PICTURE_BOTTOM = [0x0B, 0x16, 0x20].freeze
  RINGS = [0x7F, 0xD3, 0xE6].freeze

  # The "K" in the tile's unit square: the stem and the two arms, as round-ended strokes.
  K_STROKES = [[0.33, 0.25, 0.33, 0.75], [0.38, 0.54, 0.68, 0.25], [0.47, 0.45, 0.70, 0.75]].freeze
  K_HALF_WIDTH = 0.065

  module_function

  def rounded_box(x, y, left, top, right, bottom, radius)
    qx = [left - x, x - right].max + radius
    qy = [top - y, y - bottom].max + radius
    outside = Math.hypot([qx, 0.0].max, [qy, 0.0].max)
    outside + [[qx, qy].max, 0.0].min - radius
  end

  def stroke(x, y, ax, ay, bx, by, half_width)
    dx = bx - ax
    dy = by - ay
    t = (((x - ax) * dx) + ((y - ay) * dy)) / ((dx * dx) + (dy * dy))
    t = t.clamp(0.0, 1.0)
    Math.hypot(x - ax - (t * dx), y - ay - (t * dy)) - half_width
  end

  def ring(x, y, cx, cy, radius, half_width)
    (Math.hypot(x - cx, y - cy) - radius).abs - half_width
  end

  def coverage(distance, pixels_per_unit)
    (0.5 - (distance * pixels_per_unit)).clamp(0.0, 1.0)
  end

  def mix(a, b, t)
    a.zip(b).map { |p, q| p + ((q - p) * t) }
  end

  # The tile in the unit square at (u, v): [colour, alpha], alpha 0 outside the tile.
  def tile(u, v, pixels_per_unit)
    corner = 0.18
    inset = 0.5 / pixels_per_unit # the tile's edge falls on the outermost pixels' centres
    alpha = coverage(rounded_box(u, v, inset, inset, 1.0 - inset, 1.0 - inset, corner), pixels_per_unit)
    mark = K_STROKES.map { |s| stroke(u, v, *s, K_HALF_WIDTH) }.min
    colour = mix(mix(TILE_TOP, TILE_BOTTOM, v), MARK, coverage(mark, pixels_per_unit))
    [colour, alpha]
  end

  # The icon at `size` pixels: rows top down, each pixel [r, g, b, a] in 0..255.
  def icon_pixels(size)
    Array.new(size) do |row|
      Array.new(size) do |column|
        colour, alpha = tile((column + 0.5) / size, (row + 0.5) / size, size.to_f)
        (colour + [alpha * 255]).map { |c| c.round.clamp(0, 255) }
      end
    end
  end

  # The About picture, `width` x `height`: rows top down, each pixel [r, g, b].
  def picture_pixels(width, height)
    scale = width.to_f
    tile_left = 0.2
    tile_top = 0.12
    tile_size = 0.6
    rings_y = (tile_top + tile_size + 0.2)
    Array.new(height) do |row|
      y = (row + 0.5) / scale
      background = mix(PICTURE_TOP, PICTURE_BOTTOM, (row + 0.5) / height)
      Array.new(width) do |column|
        x = (column + 0.5) / scale
        colour = background
        u = (x - tile_left) / tile_size
        v = (y - tile_top) / tile_size
        if u > -0.01 && u < 1.01 && v > -0.01 && v < 1.01
          tile_colour, alpha = tile(u, v, scale * tile_size)
          colour = mix(colour, tile_colour, alpha)
        end
        linked = [ring(x, y, 0.42, rings_y, 0.11, 0.018), ring(x, y, 0.58, rings_y, 0.11, 0.018)].min
        colour = mix(colour, RINGS, coverage(linked, scale))
        colour.map { |c| c.round.clamp(0, 255) }
      end
    end
  end
end
