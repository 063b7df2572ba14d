require 'minitest/autorun'
require 'fileutils'
require 'tmpdir'
require 'event_recorder'

# Materials, textures, colours and layers as scripts and observers see them.
class TestAppearance < Minitest::Test
  MATERIAL_EVENTS = %i[onMaterialAdd onMaterialChange onMaterialRemove onMaterialUndoRedo].freeze

  def setup
    Sketchup.file_new
    @model = Sketchup.active_model
    @materials = @model.materials
    @dir = Dir.mktmpdir('appearance')
  end

  def teardown
    FileUtils.remove_entry(@dir)
  end

  # A binary PPM from rows of [r, g, b], top row first.
  def write_ppm(name, rows)
    path = File.join(@dir, name)
    File.binwrite(path, "P6\n#{rows.first.size} #{rows.size}\n255\n" + rows.flatten.pack('C*'))
    path
  end

  # Rows of [r, g, b], top row first, from a 24-bit bottom-up BMP as the texture writes it.
  def read_bmp(path)
    data = File.binread(path)
    offset, width, height = data.unpack('@10V@18l<l<')
    stride = (width * 3 + 3) & ~3
    Array.new(height) { |y| data.byteslice(offset + y * stride, width * 3).unpack('C*').each_slice(3).map(&:reverse) }.reverse
  end

  # --- materials --------------------------------------------------------------------------

  def test_adding_changing_and_removing_a_material_tells_observers_each_step
    log = EventRecorder.new(*MATERIAL_EVENTS)
    @materials.add_observer(log)
    brick = @materials.add('Brick')
    brick.color = [200, 80, 40]
    brick.color = [200, 80, 40] # unchanged: no event
    brick.alpha = 0.5
    brick.texture = write_ppm('brick.ppm', [[[10, 20, 30], [40, 50, 60]]])
    brick.texture.size = [24, 12]
    assert @materials.remove(brick)

    changed = [:onMaterialChange, @materials, brick]
    assert_equal [[:onMaterialAdd, @materials, brick], changed, changed, changed, changed,
                  [:onMaterialRemove, @materials, brick]], log.calls
    assert brick.deleted?
    assert_equal 0, @materials.size
    refute @materials.remove('Brick'), 'an unknown name removes nothing'
  end

  def test_material_colour_alpha_and_names
    glass = @materials.add('Glass')
    assert_equal [255, 255, 255, 255], glass.color.to_a, 'a new material is white'
    glass.alpha = 0.25
    assert_equal [0.25, true, 64], [glass.alpha, glass.use_alpha?, glass.color.alpha]
    glass.color = 'red'
    assert_equal [255, 0, 0, 64], glass.color.to_a, 'a new colour keeps the opacity'
    glass.alpha = 1.0
    assert_equal [1.0, false, 255], [glass.alpha, glass.use_alpha?, glass.color.alpha]
    assert_raises(ArgumentError) { glass.color = 'NoSuchColour' }

    assert_equal 'Glass1', @materials.add('Glass').name
    glass.name = 'Glass'
    assert_equal 'Glass', glass.name, 'its own name is no clash'
    assert_equal 'Wood_Cherry', @materials.add('[Wood_Cherry]').display_name
    assert_equal [glass, glass, nil, 3], [@materials['Glass'], @materials[0], @materials[3], @materials.count]
    assert_equal %w[Glass Glass1 [Wood_Cherry]], @materials.map(&:name)

    assert_nil @materials.current
    @materials.current = glass
    assert_same glass, @materials.current
  end

  def test_purge_unused_keeps_the_materials_something_is_painted_with
    used = @materials.add('Used')
    @materials.add('Spare')
    back = @materials.add('Back')
    face = @model.entities.add_face([0, 0, 0], [10, 0, 0], [10, 10, 0], [0, 10, 0])
    face.material = used
    face.back_material = back
    @materials.purge_unused
    assert_equal %w[Used Back], @materials.map(&:name)
  end

  # --- textures ---------------------------------------------------------------------------

  def test_material_type_follows_its_texture_and_colorize
    tiles = @materials.add('Tiles')
    assert_equal [0, nil], [tiles.materialType, tiles.texture]
    tiles.texture = write_ppm('tiles.ppm', [[[1, 2, 3]]])
    assert_equal 1, tiles.materialType
    tiles.colorize = true
    assert_equal 2, tiles.materialType
    tiles.colorize = false
    assert_equal 1, tiles.materialType
    tiles.texture = nil
    assert_equal [0, nil], [tiles.materialType, tiles.texture]
    assert_raises(ArgumentError) { tiles.texture = File.join(@dir, 'missing.png') }
    assert_equal 0, tiles.materialType, 'a failed load leaves the material as it was'
  end

  def test_texture_sizes_in_pixels_and_inches
    bmp = write_ppm('three_by_two.ppm', Array.new(2) { Array.new(3) { [90, 90, 90] } })
    plain = @materials.add('Plain')
    plain.texture = bmp
    texture = plain.texture
    assert_instance_of Sketchup::Texture, texture
    assert_equal [3, 2, 3.0, 2.0, bmp, true],
                 [texture.image_width, texture.image_height, texture.width, texture.height, texture.filename,
                  texture.valid?]
    texture.size = [6, 4]
    assert_equal [6.0, 4.0], [texture.width, texture.height]
    texture.size = 9
    assert_equal [9.0, 6.0], [texture.width, texture.height], 'one number keeps the proportions'

    sized = @materials.add('Sized')
    sized.texture = [bmp, 30, 20]
    assert_equal [30.0, 20.0], [sized.texture.width, sized.texture.height]
    wide = @materials.add('Wide')
    wide.texture = [bmp, 12]
    assert_equal [12.0, 8.0], [wide.texture.width, wide.texture.height]
  end

  # Pixels through PNG and back are image_file_test's; here that a texture writes them the right
  # way up, plain or tinted.
  def test_texture_write_keeps_every_pixel_and_tints_a_colorized_one_when_asked
    rows = [[[255, 0, 0], [0, 255, 0], [0, 0, 255]], [[10, 20, 30], [200, 100, 50], [255, 255, 255]]]
    source = @materials.add('Source')
    source.texture = write_ppm('source.ppm', rows)
    png = File.join(@dir, 'copy.png')
    assert source.texture.write(png)
    assert_equal "\x89PNG".b, File.binread(png, 4)
    copy = @materials.add('Copy')
    copy.texture = png
    assert_equal [3, 2], [copy.texture.image_width, copy.texture.image_height]
    assert copy.texture.write(File.join(@dir, 'copy.bmp'))
    assert_equal rows, read_bmp(File.join(@dir, 'copy.bmp'))

    tinted = @materials.add('Tinted')
    tinted.texture = write_ppm('grey.ppm', [[[0, 0, 0], [200, 200, 200]]])
    tinted.color = [100, 50, 20]
    tinted.colorize = true
    # The image's average brightness takes the material's colour; black stays black.
    assert tinted.texture.write(File.join(@dir, 'tinted.bmp'), true)
    assert_equal [[[0, 0, 0], [200, 100, 40]]], read_bmp(File.join(@dir, 'tinted.bmp'))
    assert tinted.texture.write(File.join(@dir, 'plain.bmp'))
    assert_equal [[[0, 0, 0], [200, 200, 200]]], read_bmp(File.join(@dir, 'plain.bmp'))
    refute tinted.texture.write(File.join(@dir, 'copy.xyz')), 'an unknown extension writes nothing'
    refute File.exist?(File.join(@dir, 'copy.xyz'))
  end

  # --- colours ----------------------------------------------------------------------------

  def test_color_accepts_every_form_sketchup_does
    red = Sketchup::Color.new(255, 0, 0)
    assert_equal [255, 0, 0, 255], red.to_a
    ['red', 'RED', '#ff0000', 0xFF0000, [255, 0, 0], [1.0, 0.0, 0.0], red].each do |form|
      assert_equal red, Sketchup::Color.new(form), "from #{form.inspect}"
    end
    assert_equal [0xFF0000, [0x33, 0x66, 0x99, 255], [255, 128, 0, 255]],
                 [red.to_i, Sketchup::Color.new(0x336699).to_a, Sketchup::Color.new(1.0, 0.5, 0.0).to_a]
    assert_equal [240, 248, 255, 255], Sketchup::Color.new('aliceblue').to_a
    assert_equal 140, Sketchup::Color.names.size
    assert_includes Sketchup::Color.names, 'OldLace'

    sky = Sketchup::Color.new(0, 128, 255, 128)
    assert_equal 'Color(  0, 128, 255, 128)', sky.inspect
    copy = sky.dup
    copy.red = 300
    copy.alpha = 0.5
    assert_equal [[255, 128, 255, 128], [0, 128, 255, 128]], [copy.to_a, sky.to_a], 'channels clamp; dup copies'
    refute_equal red, sky
    assert_raises(ArgumentError) { Sketchup::Color.new('NotAColour') }
    assert_raises(TypeError) { Sketchup::Color.new(:red) }
  end

  # --- layers -----------------------------------------------------------------------------

  def test_layer_edits_tell_layers_observers
    layers = @model.layers
    log = EventRecorder.new(:onLayerAdded, :onLayerChanged, :onLayerRemoved)
    layers.add_observer(log)
    walls = layers.add('Walls')
    assert_same walls, layers.add('Walls'), 'an existing name gives that layer back'
    walls.visible = false
    walls.visible = false # unchanged: no event
    walls.color = [10, 20, 30]
    walls.name = 'Outer walls'
    walls.name = 'Layer0' # taken: ignored

    assert_equal [false, [10, 20, 30, 255], 'Outer walls'], [walls.visible?, walls.color.to_a, walls.name]
    assert_equal ['Layer0', walls, walls, 2], [layers[0].name, layers['Outer walls'], layers[1], layers.size]
    refute layers.remove(layers[0]), 'the default layer stays'
    refute layers.remove('Nope')
    assert layers.remove('Outer walls')
    assert_equal %w[Layer0], layers.map(&:name)

    changed = [:onLayerChanged, layers, walls]
    assert_equal [[:onLayerAdded, layers, walls], changed, changed, changed, [:onLayerRemoved, layers, walls]],
                 log.calls
  end
end
